# Source this to run the Windows build's .exe files under Wine without any
# prompt or window:
#   . scripts/wine-env.sh && wine build/windows/bin/platform_tests.exe
# or let scripts/wine-run.sh do it for one program (CTest does).
#
# The prefix is private to the checkout (build/wineprefix unless
# ZANTOR_WINEPREFIX names another), so a developer's ~/.wine is never
# touched and CI starts from a known state. It is created on first use
# (about 12 s); later sourcing sets variables and, when no Wine session
# runs, starts one. Creation is serialised with flock, since CTest may start
# several tests at once on a fresh machine.
#
# Network namespaces: Wine's sockets are made by the wineserver, so they
# live in the namespace the wineserver started in, not the program's. A
# program run with `ip netns exec` that reaches a wineserver started outside
# would send from the host's interfaces. Each network namespace therefore
# gets a prefix (and so a wineserver) of its own, copied from the main one,
# and we refuse to go on if that prefix's wineserver sits in another
# namespace. Source this (or use wine-run.sh) inside the namespace; a
# WINEPREFIX inherited from outside is ignored on purpose.

# A namespace's prefix is 700 MB; drop those whose namespace is gone and
# whose wineserver has quit, so namespaces named per run do not pile up.
_zantor_wine_collect() {
  local dir name
  for dir in "$1"-netns-*; do
    [ -d "$dir" ] || continue
    case $dir in *.tmp) continue ;; esac
    name=${dir#"$1"-netns-}
    [ -e "/run/netns/$name" ] && continue
    (
      flock -n 9 || exit 0  # being created or collected right now
      for pid in $(pgrep -x wineserver64) $(pgrep -x wineserver); do
        { tr '\0' '\n' <"/proc/$pid/environ"; } 2>/dev/null |
          grep -qxF "WINEPREFIX=$dir" && exit 0
      done
      rm -rf "$dir" "$dir.tmp"
    ) 9>"$dir.lock"
    [ -d "$dir" ] || rm -f "$dir.lock"
  done
}

_zantor_wine_env() {
  local here repo base prefix ns name pid tries
  here=$(cd "$(dirname "${BASH_SOURCE[0]:-$0}")" && pwd) || return 1
  repo=$(dirname "$here")
  base="${ZANTOR_WINEPREFIX:-$repo/build/wineprefix}"

  ns=$(readlink /proc/self/ns/net 2>/dev/null)
  if [ -z "$ns" ]; then
    echo "wine-env: cannot tell which network namespace this is" >&2
    return 1
  fi
  # A namespace made with `ip netns add` has a name, and its prefix keeps
  # it across runs. Anything else uses the main prefix; the check at the
  # end still stops a wineserver from being shared across namespaces.
  prefix=$base
  name=$(ip netns identify $$ 2>/dev/null)
  [ -n "$name" ] && prefix="$base-netns-$name"

  export WINEPREFIX="$prefix"
  export WINEARCH=win64
  # Silence the fixme/err chatter that would bury test output.
  export WINEDEBUG="${ZANTOR_WINEDEBUG:--all}"
  # No Mono or Gecko: their installers would ask through a dialog, and
  # nothing here needs .NET or an HTML engine.
  export WINEDLLOVERRIDES="mscoree,mshtml="
  # No display is needed: the loop's message-only window works on Wine's
  # null graphics driver. A DISPLAY given to us is left alone.

  if [ ! -f "$prefix/system.reg" ]; then
    mkdir -p "$(dirname "$prefix")" || return 1
    (
      flock 9 || exit 1
      # Another process may have finished it while we waited for the lock.
      [ -f "$prefix/system.reg" ] && exit 0
      start=$SECONDS
      rm -rf "$prefix.tmp"
      [ "$prefix" != "$base" ] && _zantor_wine_collect "$base"
      if [ "$prefix" != "$base" ] && [ -f "$base/system.reg" ]; then
        echo "wine-env: copying Wine prefix to $prefix (once)" >&2
        cp -a --reflink=auto "$base" "$prefix.tmp" || exit 1
      else
        echo "wine-env: creating Wine prefix $prefix (once)" >&2
        WINEPREFIX="$prefix.tmp" wineboot -i >/dev/null 2>&1 || exit 1
        # wineboot returns before the registry is written out.
        WINEPREFIX="$prefix.tmp" wineserver -w
      fi
      [ -f "$prefix.tmp/system.reg" ] || exit 1
      # Complete or absent: a crash above leaves only the .tmp behind.
      mv "$prefix.tmp" "$prefix" || exit 1
      echo "wine-env: prefix ready after $((SECONDS - start)) s" >&2
    ) 9>"$prefix.lock" || return 1
  fi

  # A wineserver outlives its last program by a few seconds; one left over
  # from a namespace of the same name that was since re-created must go
  # first. Wait for it rather than kill what another run may be using.
  local running
  for tries in 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20; do
    name=""
    running=""
    for pid in $(pgrep -x wineserver64) $(pgrep -x wineserver); do
      # The process may be gone by now; that is fine.
      { tr '\0' '\n' <"/proc/$pid/environ"; } 2>/dev/null |
        grep -qxF "WINEPREFIX=$prefix" || continue
      if [ "$(readlink "/proc/$pid/ns/net" 2>/dev/null)" = "$ns" ]; then
        running=$pid
      else
        name=$pid
      fi
    done
    [ -z "$name" ] && break
    sleep 0.5
  done
  if [ -n "$name" ]; then
    echo "wine-env: wineserver $name for $prefix runs in another network namespace;" \
         "its sockets would not be ours" >&2
    return 1
  fi

  # The first program of a session starts Wine's services (services.exe,
  # winedevice.exe, explorer.exe ...), and they keep its stderr until the
  # wineserver quits, 3 s after the last program. CTest waits for every
  # holder of a test's output pipe, so start the session here, detached.
  # This also starts the wineserver in this very namespace.
  [ -n "$running" ] || wine wineboot </dev/null >/dev/null 2>&1
  return 0
}

if ! _zantor_wine_env; then
  echo "wine-env: Wine environment not ready" >&2
  unset -f _zantor_wine_env _zantor_wine_collect
  return 1 2>/dev/null || exit 1
fi
unset -f _zantor_wine_env _zantor_wine_collect
