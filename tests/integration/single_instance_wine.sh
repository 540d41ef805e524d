#!/usr/bin/env bash
# Interactive Zantor.exe is single instance: a second interactive start
# raises the first and ends with -1 at once, while a start with an argument
# (automatic mode) may run beside it. Under Wine and Xvfb, in a namespace
# with only loopback, so the first instance's search goes nowhere.
#   single_instance_wine.sh ZANTOR.exe
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
zantor=${1:?Zantor.exe}
# Named per run: another run on this machine has a namespace of its own.
ns="zt-single-$$-$(od -An -N3 -tx1 /dev/urandom | tr -d ' \n')"
ip netns add "$ns" || { echo "FAIL: namespace"; exit 1; }
ip -n "$ns" link set lo up
display=$((500 + $$ % 400))
cleanup() {
  for pid in $(ip netns pids "$ns" 2>/dev/null); do kill -9 "$pid" 2>/dev/null; done
  ip netns del "$ns" 2>/dev/null
}
trap cleanup EXIT
in_ns() { ip netns exec "$ns" env DISPLAY=":$display" "$@"; }
in_ns Xvfb ":$display" -nolisten tcp -screen 0 1024x768x24 >/dev/null 2>&1 &
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done

in_ns "$repo/scripts/wine-run.sh" "$zantor" >/dev/null 2>&1 &
first=$!
# Until the first instance's window is up.
for _ in $(seq 100); do
  in_ns xwininfo -root -tree 2>/dev/null | grep -q 'QJ-L04 Network Firmware Updater' && break
  sleep 0.2
done
fail=0
start=$SECONDS
in_ns "$repo/scripts/wine-run.sh" "$zantor" >/dev/null 2>&1
rc=$?
[ "$rc" -eq 255 ] || { echo "FAIL: second interactive instance exited $rc, not -1"; fail=1; }
[ $((SECONDS - start)) -le 20 ] || { echo "FAIL: second instance took $((SECONDS - start)) s"; fail=1; }
kill -0 "$first" 2>/dev/null || { echo "FAIL: the first instance is gone"; fail=1; }
# Automatic mode takes no mutex: it runs (and fails to reach the board,
# which does not exist here) beside the interactive instance.
ZANTOR_TIME_SCALE=50 in_ns "$repo/scripts/wine-run.sh" "$zantor" 127.0.0.9 >/dev/null 2>&1
rc=$?
[ "$rc" -eq 255 ] || { echo "FAIL: automatic run beside it exited $rc, expected -1 (no pipe)"; fail=1; }
[ $fail -eq 0 ] && echo "single instance (wine): second interactive start refused, automatic run allowed"
exit $fail
