#!/usr/bin/env bash
# fwlauncher with no argument, run as root, against a second local user
# (nobody) and a broken machine: one case per attack or fault.
#   launcher_attack.sh FWLAUNCHER [CASE...]
set -uo pipefail
fw=$(readlink -f "${1:?fwlauncher}"); shift; only=("$@")
[ "$(id -u)" = 0 ] || { echo "SKIP: needs root"; exit 0; }
w=$(mktemp -d); chmod 755 "$w"; pids=()
trap 'kill "${pids[@]}" 2>/dev/null; rm -rf "$w"' EXIT
fail=0 no=$((1102 % 256))
check() { "${@:2}" || { echo "FAIL: $1"; fail=1; }; }
has() { grep -qF -- "$1" "$2"; }
run() { printf 'n\n' | TMPDIR="$1" timeout 60 "$fw" >"$w/out" 2>"$w/err"; rc=$?; }
# The viewer waits for its answer on a fifo (fd 3); `answer` gives it.
held() {
  mkfifo "$1.in"; TMPDIR="$1" timeout 60 "$fw" <"$1.in" >"$1.out" 2>&1 & pid=$!; exec 3>"$1.in"
  for _ in $(seq 200); do has "[Agree = y" "$1.out" && return 0; sleep 0.05; done; return 1
}
answer() { printf '%s\n' "$1" >&3; exec 3>&-; wait "$pid"; rc=$?; }

case_link_cleanup() {  # ZANTOR swapped for a link while the viewer runs
  local t=$w/link; mkdir -m 700 "$t" "$w/victim" "$w/victim/sub"; echo 6 >"$w/victim/keep"
  check "link: viewer" held "$t"
  mv "$t/ZANTOR" "$t/moved"; ln -s "$w/victim" "$t/ZANTOR"; answer n
  check "link: rc 0 (was $rc)" [ $rc -eq 0 ]
  check "link: the target is never emptied" [ -d "$w/victim/sub" -a "$(cat "$w/victim/keep")" = 6 ]
}
case_foreign_temp() {  # T is nobody's, who races to swap ZANTOR for their own
  local t=$w/foreign; mkdir -m 755 "$t"; chown nobody "$t"
  printf '#!/bin/sh\ntouch %s/pwned\n' "$w" >"$w/evil"; chmod 755 "$w/evil"
  runuser -u nobody -- sh -c "for i in \$(seq 300); do if [ -d $t/ZANTOR ] && [ ! -e $t/old ];
    then sleep 0.05; mv $t/ZANTOR $t/old; mkdir -p $t/ZANTOR/res/Terma;
    cp $w/evil $t/ZANTOR/res/Terma/Terma; fi; sleep 0.01; done" & pids+=($!)
  run "$t"
  check "foreign T: refused (was $rc)" [ $rc -eq $no ]
  check "foreign T: says why" has "belongs to user" "$w/err"
  check "foreign T: root never runs nobody's program" [ ! -e "$w/pwned" ]
  mkdir -m 777 "$w/open"; run "$w/open"
  check "non-sticky shared T: refused, says why (was $rc)" has "not sticky" "$w/err"
}
case_sigterm() {  # after unpacking: the default stop, not the unloaded library's handler
  local t=$w/term; mkdir -m 700 "$t"; check "SIGTERM: viewer" held "$t"
  local caught; caught=$(awk '/^SigCgt/ {print $2}' "/proc/$(pgrep -P "$pid" | head -1)/status")
  check "SIGTERM: no SIGILL/SIGABRT/SIGBUS/SIGSEGV handler left" [ $((0x$caught & 0x468)) -eq 0 ]
  kill -TERM "$pid"; wait "$pid"; rc=$?; exec 3>&-
  check "SIGTERM: 143, not 139 (was $rc)" [ $rc -eq 143 ]
}
disk() {  # disk NAME SIZE: T on a tmpfs too small; the answer 'y' must not be eaten
  mkdir "$w/$1"
  printf 'y\n' | unshare -m sh -c "mount -t tmpfs -o size=$2 tmpfs $w/$1 && TMPDIR=$w/$1 timeout 60 $fw;
    echo \$? >$w/rc; ls -A $w/$1 >$w/left" >"$w/out" 2>"$w/err"; rc=$(cat "$w/rc")
  check "$1: refused (was $rc)" [ "$rc" -eq $no ]
  check "$1: the system's reason" has "No space left on device" "$w/err"
  check "$1: viewer never ran, nothing left" [ ! -s "$w/left" -a -z "$(grep Licence "$w/out")" ]
}
case_full_disk() { disk fulldisk 34m; disk smalldisk 8m; }
case_lock_squat() {  # nobody holds a lock at the old lock name: no longer blocks
  local t=$w/squat; mkdir -m 1777 "$t"
  runuser -u nobody -- flock "$t/Kavro Firmware Updater.lock" sleep 60 & pids+=($!); sleep 0.3
  run "$t"; check "squatted lock name: runs (was $rc)" [ $rc -eq 0 ]
}
case_temp_paths() {  # TMPDIR of 250 and 260 bytes, and a relative one
  local t=$w/l; while [ ${#t} -lt 249 ]; do t=$t/x; done; mkdir -p "${t:0:249}"
  run "${t:0:249}/"; check "TMPDIR 250 bytes: runs, cleans up (was $rc)" [ $rc -eq 0 -a ! -e "${t:0:249}/ZANTOR" ]
  t=$w/m; while [ ${#t} -lt 259 ]; do t=$t/x; done; mkdir -p "${t:0:259}"
  run "${t:0:259}/"; check "TMPDIR 260 bytes: 1102, not 1100 (was $rc)" has "longer than" "$w/err"
  mkdir -p "$w/rel/tmp"; cd "$w/rel" && run tmp; cd - >/dev/null
  check "relative TMPDIR: refused, says why (was $rc)" has "not an absolute path" "$w/err"
  check "relative TMPDIR: nothing made" [ ! -e "$w/rel/tmp/ZANTOR" ]
}

for c in link_cleanup foreign_temp sigterm full_disk lock_squat temp_paths; do
  if [ ${#only[@]} -eq 0 ] || [[ " ${only[*]} " == *" $c "* ]]; then "case_$c"; fi
done
[ $fail -eq 0 ] && echo "PASS: launcher attack table"
exit $fail
