#!/usr/bin/env bash
# fwlauncher with no argument (run as root) against a second local user and a
# broken machine, one table: each case is an attack or a fault and what must
# hold. Needs root (runuser, unshare, tmpfs).
#
#   launcher_attack.sh FWLAUNCHER [CASE...]
set -uo pipefail
fwlauncher=$(readlink -f "${1:?fwlauncher path}")
shift
only=("$@")
[ "$(id -u)" = 0 ] || { echo "SKIP: needs root"; exit 0; }

work=$(mktemp -d)
chmod 755 "$work"
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT
fail=0
check() {  # check DESCRIPTION COMMAND...
  if ! "${@:2}"; then
    echo "FAIL: $1"
    fail=1
  fi
}
has() { grep -qF -- "$1" "$2"; }
refused=$((1102 % 256))

# Starts the launcher on $1 (TMPDIR) with answers from a fifo; sets $run_pid
# and keeps the fifo open on fd 3 until `answer`.
start_held() {
  mkfifo "$1.in"
  TMPDIR="$1" LANG=C LC_ALL= timeout 60 "$fwlauncher" <"$1.in" >"$1.out" 2>"$1.err" &
  run_pid=$!
  exec 3>"$1.in"
  for _ in $(seq 200); do has "[Agree = y" "$1.out" 2>/dev/null && return 0; sleep 0.05; done
  return 1
}
answer() { printf '%s\n' "$1" >&3; exec 3>&-; wait "$run_pid"; }

# --- ZANTOR swapped for a link while the viewer runs: the clean-up never
# empties the link's target.
case_link_cleanup() {
  local t=$work/link; mkdir -m 700 "$t"
  mkdir "$work/victim"; echo keep >"$work/victim/precious"; mkdir "$work/victim/sub"
  check "link: viewer asks" start_held "$t"
  mv "$t/ZANTOR" "$t/moved"; ln -s "$work/victim" "$t/ZANTOR"
  answer n; local rc=$?
  check "link: exit code 0 (was $rc)" [ $rc -eq 0 ]
  check "link: the target's file stays" [ "$(cat "$work/victim/precious")" = keep ]
  check "link: the target's folder stays" [ -d "$work/victim/sub" ]
  check "link: the link itself left alone" [ -L "$t/ZANTOR" ]
}

# --- T is another user's: they could swap ZANTOR between root's steps and
# have root run their Terma. Refused up front; the racing swap gains nothing.
case_foreign_temp() {
  local t=$work/foreign; mkdir -m 755 "$t"; chown nobody "$t"
  mkdir -p "$work/evil"; printf '#!/bin/sh\ntouch %s/pwned\n' "$work" >"$work/evil/Terma"
  chmod 755 "$work/evil" "$work/evil/Terma"
  runuser -u nobody -- sh -c "for i in \$(seq 300); do
      if [ -d '$t/ZANTOR' ] && [ ! -e '$t/old' ]; then sleep 0.05; mv '$t/ZANTOR' '$t/old';
        mkdir -p '$t/ZANTOR/res/Terma'; cp '$work/evil/Terma' '$t/ZANTOR/res/Terma/'; fi
      sleep 0.01; done" &
  pids+=($!)
  printf 'n\n' | TMPDIR="$t" timeout 60 "$fwlauncher" >"$t.out" 2>"$t.err"; local rc=$?
  check "foreign T: refused (was $rc)" [ $rc -eq $refused ]
  check "foreign T: says why" has "belongs to user" "$t.err"
  check "foreign T: the other user's program never ran" [ ! -e "$work/pwned" ]
  check "foreign T: nothing made there" [ ! -e "$t/ZANTOR" ] || [ -e "$t/old" ]
}

case_open_temp() {
  local t=$work/open; mkdir -m 777 "$t"
  printf 'n\n' | TMPDIR="$t" timeout 60 "$fwlauncher" >"$t.out" 2>"$t.err"; local rc=$?
  check "non-sticky shared T: refused (was $rc)" [ $rc -eq $refused ]
  check "non-sticky shared T: says why" has "not sticky" "$t.err"
  check "non-sticky shared T: nothing made" [ ! -e "$t/ZANTOR" ]
  t=$work/sticky; mkdir -m 1777 "$t"
  printf 'n\n' | TMPDIR="$t" timeout 60 "$fwlauncher" >"$t.out" 2>"$t.err"; rc=$?
  check "sticky shared T (as /tmp): runs (was $rc)" [ $rc -eq 0 ]
}

# --- SIGTERM after unpacking: the default stop, not a crash in the unloaded
# unzip library's handler.
case_sigterm() {
  local t=$work/term; mkdir -m 700 "$t"
  check "SIGTERM: viewer asks" start_held "$t"
  local pid; pid=$(pgrep -P "$run_pid" | head -1)
  local caught; caught=$(awk '/^SigCgt/ {print $2}' "/proc/${pid:-$run_pid}/status")
  check "SIGTERM: no handler left for SIGILL/SIGABRT/SIGBUS/SIGSEGV" [ $((0x$caught & 0x468)) -eq 0 ]
  kill -TERM "$run_pid"; wait "$run_pid"; local rc=$?
  exec 3>&-
  check "SIGTERM: ended by SIGTERM (143), not SIGSEGV (was $rc)" [ $rc -eq 143 ]
}

# --- A full disk while unpacking, and one too small for res.zip: 1102 with
# the system's reason, nothing cut ever run, nothing left behind; the answer
# meant for the licence question is never read by the library.
disk_case() {  # disk_case NAME SIZE
  local d=$work/$1; mkdir -p "$d"
  printf 'y\n' | unshare -m sh -c "mount -t tmpfs -o size=$2 tmpfs '$d' &&
    TMPDIR='$d' timeout 60 '$fwlauncher'; echo \$? >'$work/$1.rc'; ls -A '$d' >'$work/$1.left'" \
    >"$work/$1.out" 2>"$work/$1.err"
  local rc; rc=$(cat "$work/$1.rc")
  check "$1: refused (was $rc)" [ "$rc" -eq $refused ]
  check "$1: the system's reason" has "No space left on device" "$work/$1.err"
  check "$1: the viewer never ran" [ -z "$(grep -F 'Licence Agreement' "$work/$1.out")" ]
  check "$1: nothing left behind" [ ! -s "$work/$1.left" ]
}
case_full_disk() { disk_case fulldisk 34m; }
case_small_disk() { disk_case smalldisk 8m; }

# --- Lock squatting: another user's file, FIFO or held lock at the old lock
# name no longer blocks; the lock is the private unpack directory.
case_lock_squat() {
  local t=$work/squat; mkdir -m 1777 "$t"
  runuser -u nobody -- flock "$t/Kavro Firmware Updater.lock" sleep 60 &
  pids+=($!)
  sleep 0.3
  printf 'n\n' | TMPDIR="$t" timeout 60 "$fwlauncher" >"$t.out" 2>"$t.err"; local rc=$?
  check "squatted lock name: runs (was $rc)" [ $rc -eq 0 ]
  t=$work/squat2; mkdir -m 1777 "$t"
  runuser -u nobody -- mkdir -m 700 "$t/ZANTOR"
  printf 'n\n' | TMPDIR="$t" timeout 60 "$fwlauncher" >"$t.out" 2>"$t.err"; rc=$?
  check "squatted ZANTOR: refused (was $rc)" [ $rc -eq $refused ]
  check "squatted ZANTOR: says why" has "belongs to user" "$t.err"
}

# --- TMPDIR of every length, and a relative one.
case_temp_paths() {
  local t=$work/l; while [ ${#t} -lt 249 ]; do t=$t/x; done; t=${t:0:249}; mkdir -p "$t"
  printf 'n\n' | TMPDIR="$t/" timeout 60 "$fwlauncher" >"$work/len250.out" 2>"$work/len250.err"
  local rc=$?
  check "TMPDIR of 250 bytes: runs (was $rc)" [ $rc -eq 0 ]
  check "TMPDIR of 250 bytes: ZANTOR removed" [ ! -e "$t/ZANTOR" ]
  t=$work/m; while [ ${#t} -lt 259 ]; do t=$t/x; done; t=${t:0:259}; mkdir -p "$t"
  printf 'n\n' | TMPDIR="$t/" timeout 60 "$fwlauncher" >"$work/len260.out" 2>"$work/len260.err"
  rc=$?
  check "TMPDIR of 260 bytes: refused, not 1100 (was $rc)" [ $rc -eq $refused ]
  check "TMPDIR of 260 bytes: says why" has "longer than" "$work/len260.err"
  mkdir -p "$work/rel/tmp"
  (cd "$work/rel" && printf 'n\n' | TMPDIR=tmp timeout 60 "$fwlauncher" >../rel.out 2>../rel.err)
  rc=$?
  check "relative TMPDIR: refused (was $rc)" [ $rc -eq $refused ]
  check "relative TMPDIR: says why" has "not an absolute path" "$work/rel.err"
  check "relative TMPDIR: nothing made" [ ! -e "$work/rel/tmp/ZANTOR" ]
}

for c in link_cleanup foreign_temp open_temp sigterm full_disk small_disk lock_squat temp_paths; do
  if [ ${#only[@]} -eq 0 ] || [[ " ${only[*]} " == *" $c "* ]]; then "case_$c"; fi
done

if [ $fail -ne 0 ]; then
  for f in "$work"/*.err; do echo "--- $f"; head -c 1500 "$f"; done
  exit 1
fi
echo "PASS: launcher attack table"
