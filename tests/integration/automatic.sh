#!/usr/bin/env bash
# Automatic mode end to end: the deployment tool's pipe server and a
# simulated board in private namespaces, Zantor started with the board's
# address. Checks the message sequence on the pipe and the exit code.
#
#   automatic.sh ZANTOR BOARDSIM PIPESERVER CASE [wine]
# CASE: ok | nopipe | http500 | refuse | reset | noanswer     (Linux and Wine)
#       startfail (staging cannot create its directory: nothing shown, the
#       reason on the debug trace, 402 still sent)
#       slowbody | cutshort | nocode | silentpipe | sigterm | hostiledir | twoinstances
#                                                               (Linux only)
#       nonascii: under Wine, TEMP and TMP hold "é" and a Japanese character
# ZANTOR_TIME_SCALE is passed on (unset: the shipped 195-second wait).
# ZT_EXPECT_WAIT=S: the ok run must take at least S seconds (a release build,
# which keeps the shipped wait whatever ZANTOR_TIME_SCALE says).
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
zantor=${1:?Zantor} boardsim=${2:?boardsim} pipeserver=${3:?pipeserver} case=${4:?case}
mode=${5:-native}
. "$here/netns.sh"

ZT_NETNS_ID="${ZT_NETNS_ID:-auto${mode:0:1}}" zt_netns_setup 2 || { echo "FAIL: namespaces"; exit 1; }
work=$(mktemp -d)
trap 'zt_netns_cleanup; rm -rf "$work"' EXIT
# A temporary directory of the run's own, shared with others as /tmp is.
chmod 755 "$work"
mkdir -m 1777 "$work/tmp"

# Under Wine every program of the run shares one display: Wine's desktop
# process starts with the first program and serves all later windows, and
# a Windows GUI program needs a display even when it shows nothing.
if [ "$mode" = wine ]; then
  display=$((100 + $$ % 400))
  zt_in_host Xvfb ":$display" -nolisten tcp -screen 0 1024x768x24 >/dev/null 2>&1 &
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done
  export DISPLAY=":$display"
fi

run() {  # run PROGRAM ARGS... in the host namespace, natively or under Wine
  if [ "$mode" = wine ]; then
    zt_in_host env ZANTOR_TIME_SCALE="${ZANTOR_TIME_SCALE:-}" "$repo/scripts/wine-run.sh" "$@"
  else
    zt_in_host env ZANTOR_TIME_SCALE="${ZANTOR_TIME_SCALE:-}" ZANTOR_PIPE="${PIPE:-$work/pipe}" \
      TMPDIR="$work/tmp" "$@"
  fi
}
run_gui() {
  if [ "$mode" = wine ]; then
    run "$@"
  else
    zt_in_host env ZANTOR_TIME_SCALE="${ZANTOR_TIME_SCALE:-}" ZANTOR_PIPE="${PIPE:-$work/pipe}" \
      TMPDIR="$work/tmp" ${start_env[@]+"${start_env[@]}"} "$@"
  fi
}

start_env=()
if [ "$case" = startfail ]; then
  # A file where the staging directory belongs.
  mkdir -p "$work/tmp" && : >"$work/tmp/ZANTOR"
  start_env=(TMPDIR="$work/tmp" ZANTOR_TRACE=1)
fi

http=ok
case $case in
  http500) http=500 ;; refuse) http=refuse ;; reset) http=reset ;; noanswer) http=noanswer ;;
  slowbody | cutshort | nocode) http=$case ;;
esac
# The board expects the image Zantor carries: the stand-in is made from the
# same seed in both builds.
image=${ZT_IMAGE:-$repo/build/linux/resources/l04_05.12.rcc}
zt_in_sim "$boardsim" --log "$work/sim.log" --image "$image" \
  --board "ip=10.213.0.11,version=5.00,http=$http,restart=3000,newversion=5.12" \
  --board "ip=10.213.0.12,version=5.00,http=ok,restart=3000,newversion=5.12" &
for _ in $(seq 50); do grep -q ' ready ' "$work/sim.log" 2>/dev/null && break; sleep 0.1; done

if [ "$case" = nonascii ]; then
  # Wine takes TEMP and TMP from the prefix's HKCU\Environment, not from
  # the Unix environment; the namespace's own prefix, so nothing else sees it.
  temp='C:\zt-é日'
  run cmd /c mkdir "$temp" >/dev/null 2>&1
  for var in TEMP TMP; do
    run reg add 'HKCU\Environment' /v "$var" /t REG_SZ /d "$temp" /f >/dev/null 2>&1 ||
      { echo "FAIL: reg add $var"; exit 1; }
  done
  prefix_dir="${ZANTOR_WINEPREFIX:-$repo/build/wineprefix}-netns-$ZT_NS_HOST"
  # Restart the namespace's Wine session so new programs read it.
  zt_in_host env WINEPREFIX="$prefix_dir" wineserver -k 2>/dev/null
  staged_dir="$prefix_dir/drive_c/zt-é日/ZANTOR"
  ( for _ in $(seq 600); do
      [ -d "$staged_dir" ] && ls "$staged_dir" >"$work/staged" && break
      sleep 0.1
    done ) &
  watcher=$!
fi

pipe_pid=
if [ "$case" != nopipe ]; then
  reply="--reply 7"
  [ "$case" = silentpipe ] && reply=--silent
  # shellcheck disable=SC2086
  run "$pipeserver" --log "$work/pipe.log" $reply --exit-after-final \
    $([ "$mode" = wine ] || echo --path "$work/pipe") &
  pipe_pid=$!
  for _ in $(seq 100); do grep -q 'ready' "$work/pipe.log" 2>/dev/null && break; sleep 0.1; done
fi

if [ "$case" = hostiledir ]; then
  # Another user got there first: their ZANTOR, open to all, with a link
  # where the settings file goes, aimed at a file of root's.
  printf 'precious' >"$work/victim"
  chmod 0444 "$work/victim"
  setpriv --reuid=nobody --regid=nogroup --clear-groups sh -c \
    "mkdir -m 0777 '$work/tmp/ZANTOR' && ln -s '$work/victim' '$work/tmp/ZANTOR/Zantor.ini'" ||
    { echo "FAIL: could not prepare the hostile directory as nobody"; exit 1; }
  export ZANTOR_TRACE=1  # automatic mode shows nothing: the reason goes to the trace
  # The user's own runtime directory, where Zantor stages instead.
  mkdir -m 0700 "$work/run"
  start_env=(XDG_RUNTIME_DIR="$work/run")
fi


start=$SECONDS
if [ "$case" = sigterm ]; then
  run_gui "$zantor" 10.213.0.11 >"$work/out" 2>"$work/err" &
  zpid=$!
  # Mid-update: the image is up, the board restarts, Zantor waits.
  for _ in $(seq 300); do grep -q 'value=200$' "$work/pipe.log" 2>/dev/null && break; sleep 0.1; done
  staged_while_running=$(ls "$work/tmp/ZANTOR" 2>/dev/null | wc -l)
  # $! is the shell that runs it; the signal goes to Zantor itself.
  zantor_pid=
  for p in $(ip netns pids "$ZT_NS_HOST"); do
    [ "$(cat "/proc/$p/comm" 2>/dev/null)" = Zantor ] && zantor_pid=$p
  done
  signalled=$SECONDS
  kill -TERM "$zantor_pid"
  wait "$zpid"
  rc=$?
  after_signal=$((SECONDS - signalled))
elif [ "$case" = twoinstances ]; then
  # Two runs for two boards at once, one temporary directory, a pipe each.
  PIPE="$work/pipe2" run "$pipeserver" --log "$work/pipe2.log" --reply 7 --exit-after-final \
    --path "$work/pipe2" &
  for _ in $(seq 100); do grep -q 'ready' "$work/pipe2.log" 2>/dev/null && break; sleep 0.1; done
  run_gui "$zantor" 10.213.0.11 >"$work/out" 2>"$work/err" &
  first=$!
  # The second stages while the first uploads.
  for _ in $(seq 300); do grep -q 'value=10[1-9]$' "$work/pipe.log" 2>/dev/null && break; sleep 0.05; done
  PIPE="$work/pipe2" run_gui "$zantor" 10.213.0.12 >"$work/out2" 2>"$work/err2"
  rc2=$?
  wait "$first"
  rc=$?
else
  run_gui "$zantor" 10.213.0.11 extra-word >"$work/out" 2>"$work/err"
  rc=$?
fi
elapsed=$((SECONDS - start))
# The server ends by itself after the final message; give it a moment.
if [ -n "$pipe_pid" ]; then
  for _ in $(seq 50); do kill -0 "$pipe_pid" 2>/dev/null || break; sleep 0.1; done
  kill "$pipe_pid" 2>/dev/null
fi

# The Windows server writes CR LF.
[ -f "$work/pipe.log" ] && sed -i 's/\r$//' "$work/pipe.log"
fail=0
check() { "$@" || { echo "FAIL: $*"; fail=1; }; }
final_of() { grep 'kind=2' "$work/pipe.log" | tail -n1 | sed -E 's/.*value=(-?[0-9]+).*/\1/'; }
case $case in
  ok)
    check test "$rc" -eq 0
    check grep -q 'answer=200' "$work/sim.log"
    check grep -q 'kind=1 scale=1000 value=100$' "$work/pipe.log"
    check grep -q 'kind=1 scale=1000 value=200$' "$work/pipe.log"
    check grep -q 'kind=1 scale=1000 value=970$' "$work/pipe.log"
    check test "$(grep -c . "$work/pipe.log" | tr -d ' ')" -gt 100
    check test "$(grep 'kind=' "$work/pipe.log" | tail -n1 | grep -c 'kind=2 scale=1000 value=0$')" -eq 1
    # Progress never falls and never passes the wait's cap before the end.
    check awk -F'value=' '/kind=1/ { v = $2 + 0; if (v < last || v > 970) bad = 1; last = v }
                          END { exit bad }' "$work/pipe.log"
    tr -d '\r' <"$work/out" | grep -q '^Read Data 7$' || { echo "FAIL: no 'Read Data 7' line"; fail=1; }
    [ -z "${ZT_EXPECT_WAIT:-}" ] || check test "$elapsed" -ge "$ZT_EXPECT_WAIT"
    ;;
  nopipe)
    check test "$rc" -eq 255  # -1: the result could not be delivered
    # Without the tool every progress message fails: the eleventh ends the
    # upload, eleven chunks in.
    check grep -q 'request=incomplete body=90112 ' "$work/sim.log"
    ;;
  startfail)
    check test "$(final_of)" = 402
    check test "$rc" -eq $((402 & 255))
    check grep -q '^Zantor: ' "$work/err"
    check test "$(grep -c "Cannot write" "$work/out")" -eq 0
    check test "$(grep -c 'http board=' "$work/sim.log")" -eq 0
    ;;
  http500 | refuse | reset | noanswer)
    check test "$(final_of)" = 402
    check test "$rc" -eq $((402 & 255))
    ;;
  slowbody | cutshort)
    # The head decides: the body that never ends, or ends early, does not.
    check test "$rc" -eq 0
    check grep -q "answer=200-$case" "$work/sim.log"
    check test "$(final_of)" = 0
    ;;
  nocode)
    check test "$rc" -eq $((402 & 255))
    check test "$(final_of)" = 402
    check grep -q 'answer=nocode' "$work/sim.log"
    # Never taken for an accepted upload: the restart wait (progress past
    # 200) never began.
    check awk -F'value=' '/kind=1/ && $2 + 0 > 200 { bad = 1 } END { exit bad }' "$work/pipe.log"
    ;;
  silentpipe)
    # Each unanswered message costs its short wait and counts as failed: the
    # eleventh failure ends the upload eleven chunks in, well within a minute.
    check grep -q 'request=incomplete body=90112 ' "$work/sim.log"
    check test "$elapsed" -lt 60
    # The final message: 402 when it got through, -1 when the server was
    # still holding an earlier client.
    check test "$rc" -eq $((402 & 255)) -o "$rc" -eq 255
    ;;
  sigterm)
    check test "$after_signal" -le 3
    check test "$staged_while_running" -eq 2
    check test "$(final_of)" = 402
    check test "$rc" -eq $((402 & 255))
    check test ! -e "$work/tmp/ZANTOR"
    ;;
  hostiledir)
    # It stages in a private directory instead, says which and why, and
    # updates the board; the planted directory is left as it was found.
    check test "$rc" -eq 0
    check test "$(final_of)" = 0
    check grep -q 'answer=200' "$work/sim.log"
    check grep -q 'ZANTOR belongs to user' "$work/err"
    check grep -qF "staging in $work/run/ZANTOR instead" "$work/err"
    check test ! -e "$work/run/ZANTOR"
    check test "$(stat -c '%U %a' "$work/tmp/ZANTOR")" = "nobody 777"
    check test "$(ls -A "$work/tmp/ZANTOR")" = Zantor.ini
    check test "$(cat "$work/victim")" = precious
    check test "$(stat -c %a "$work/victim")" = 444
    check test -L "$work/tmp/ZANTOR/Zantor.ini"
    ;;
  nonascii)
    wait "$watcher" 2>/dev/null
    check test "$rc" -eq 0
    check grep -q 'compare=match' "$work/sim.log"
    check grep -q 'Zantor.ini' "$work/staged"
    check test ! -e "$staged_dir"
    ;;
  twoinstances)
    check test "$rc" -eq 0
    check test "$rc2" -eq 0
    check test "$(grep -c 'answer=200' "$work/sim.log")" -eq 2
    check test "$(grep -c 'compare=match' "$work/sim.log")" -eq 2
    check test ! -e "$work/tmp/ZANTOR"
    ;;
esac
if [ $fail -ne 0 ]; then
  echo "--- exit $rc after ${elapsed}s"; echo "--- output"; cat "$work/out" "$work/err" | tail -n 20
  echo "--- pipe log"; head -n 5 "$work/pipe.log" 2>/dev/null; tail -n 5 "$work/pipe.log" 2>/dev/null
  echo "--- simulator log"; grep -v ' rx \| tx ' "$work/sim.log" | tail -n 20
  exit 1
fi
echo "automatic ($mode, $case): exit $rc after ${elapsed}s"
