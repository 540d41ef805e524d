#!/usr/bin/env bash
# Several boards at once, end to end: the Linux Zantor updates six simulated
# boards with --side-by-side 3 in a private namespace pair; the fourth board
# answers the upload with 500. The boards' own log must show the first board
# confirmed before the second upload, uploads one at a time, each next upload
# starting while the previous board is still restarting, nothing uploaded after
# the failure, every board that took the image confirmed, never more than 3
# restarting at once; and the final message counts 3 updated, 1 failed, 2 not
# started.
#   side_by_side.sh ZANTOR BOARDSIM [IMAGE]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
zantor=${1:?Zantor} boardsim=${2:?boardsim}
image=${3:-$repo/build/linux/resources/l04_05.12.rcc}
. "$here/netns.sh"

ZT_NETNS_ID="${ZT_NETNS_ID:-sbs}" zt_netns_setup 6 || { echo "FAIL: namespaces"; exit 1; }
work=$(mktemp -d)
trap 'zt_netns_cleanup; rm -rf "$work"' EXIT
chmod 755 "$work"
mkdir -m 1777 "$work/tmp"

# 8 MB/s: about 2.2 s per upload; the restart wait is 195 s / 50 = 3.9 s.
: >"$work/boards.conf"
for i in 11 12 13 14 15 16; do
  http=ok
  [ "$i" = 14 ] && http=500
  echo "ip=10.213.0.$i,version=5.00,type=4.01,restart=2500,rate=8000000,http=$http" >>"$work/boards.conf"
done
zt_in_sim "$boardsim" --log "$work/sim.log" --config "$work/boards.conf" --image "$image" &
for _ in $(seq 50); do grep -q ' ready ' "$work/sim.log" 2>/dev/null && break; sleep 0.1; done

zt_in_host env TMPDIR="$work/tmp" ZANTOR_TIME_SCALE=50 ZANTOR_TRACE=1 LANG=C LC_ALL=C \
  timeout 150 "$zantor" --update-ticked --side-by-side 3 --list-seconds 140 >"$work/zantor.out" 2>&1
rc=$?
fail=0
python3 "$here/sim_timeline.py" "$work/sim.log" --check 3 --failed 10.213.0.14 || fail=1
# Without a pipe server the final result cannot be delivered (-1); 124 is the time-out.
[ "$rc" -eq 255 ] || { echo "FAIL: Zantor exited $rc"; fail=1; }
grep -q 'Boards updated: 3, failed: 1, not started: 2\.' "$work/zantor.out" ||
  { echo "FAIL: no count line with 3 updated, 1 failed, 2 not started"; fail=1; }
# Each board's outcome on the debug trace.
for line in 'board 10.213.0.11 02:00:0A:D5:00:0B updated' 'board 10.213.0.13 02:00:0A:D5:00:0D updated' \
  'board 10.213.0.14 02:00:0A:D5:00:0E failed -11'; do
  grep -qx "$line" "$work/zantor.out" || { echo "FAIL: no trace line '$line'"; fail=1; }
done
uploads=$(grep -c ' accept board=' "$work/sim.log")
[ "$uploads" -eq 4 ] || { echo "FAIL: expected 4 uploads, saw $uploads"; fail=1; }
if [ $fail -ne 0 ]; then
  echo "--- Zantor"; tail -n 30 "$work/zantor.out"
  echo "--- simulator log"; grep -v ' rx \| tx ' "$work/sim.log" | tail -n 60
  exit 1
fi
grep '^message: ' "$work/zantor.out"
echo "side by side: 6 boards, 3 at once, one failure: passed"
