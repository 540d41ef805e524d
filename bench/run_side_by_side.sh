#!/usr/bin/env bash
# Twenty boards updated one after another and side by side, in one run: the
# Linux Zantor against 20 simulated boards in a private namespace pair, each
# board taking the 17.8 MB image at 2 MB/s, the restart wait divided by
# ZANTOR_TIME_SCALE (default 20: 9.75 s). Prints both batch times as the boards
# saw them (first upload start to last board confirmed), the ideal for side by
# side (the first board's full cycle + 19 uploads + one wait + one
# confirmation), and the same model with the shipped 195-second wait.
#   bench/run_side_by_side.sh [BOARDS]
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
bin=$repo/build/linux
boards=${1:-20}
scale=${ZANTOR_TIME_SCALE:-20}
rate=2000000
cmake --build "$bin" --target Zantor boardsim >/dev/null
image=$bin/resources/l04_05.12.rcc
zantor=$bin/bin/Zantor
boardsim=$bin/bin/boardsim
timeline=$repo/tests/integration/sim_timeline.py
. "$repo/tests/integration/netns.sh"
ZT_NETNS_ID="sbsb" zt_netns_setup "$boards"
work=$(mktemp -d)
trap 'zt_netns_cleanup; rm -rf "$work"' EXIT
chmod 755 "$work"
mkdir -m 1777 "$work/tmp"
# A board is back well within the divided wait, as a real one is within 195 s.
restart=$((195000 / scale * 8 / 10))
for ip in "${ZT_BOARD_IPS[@]}"; do
  echo "ip=$ip,version=5.00,type=4.01,restart=$restart,rate=$rate"
done >"$work/boards.conf"

run() {  # run N: one batch of every board, N at once; prints its timeline as JSON
  local n=$1
  zt_in_sim "$boardsim" --log "$work/sim-$n.log" --config "$work/boards.conf" --image "$image" &
  for _ in $(seq 100); do grep -q ' ready ' "$work/sim-$n.log" 2>/dev/null && break; sleep 0.1; done
  zt_in_host env TMPDIR="$work/tmp" ZANTOR_TIME_SCALE="$scale" LANG=C LC_ALL=C \
    "$zantor" --update-ticked --side-by-side "$n" --list-seconds 7200 >"$work/zantor-$n.out" 2>&1 || true
  # The simulator ends with everything else in its namespace; the next run binds its ports again.
  _zt_kill_ns_procs "$ZT_NS_SIM"
  wait
  python3 "$timeline" "$work/sim-$n.log" >&2
  python3 "$timeline" "$work/sim-$n.log" --json >"$work/timeline-$n.json"
}
run 1
run "$boards"

python3 - "$work/timeline-1.json" "$work/timeline-$boards.json" "$boards" "$scale" "$rate" \
  "$(stat -c %s "$image")" <<'PY'
import json, sys
one, side = (json.load(open(p)) for p in sys.argv[1:3])
boards, scale, rate, size = (int(a) for a in sys.argv[3:7])
def span(rows):
    done = [b["confirmed"] for b in rows if "confirmed" in b]
    return (max(done) - rows[0]["start"]) / 1000 if rows and len(done) == len(rows) == boards else float("nan")
t1, tn = span(one), span(side)
# Measured in the side-by-side run itself: the canary's cycle, the mean upload,
# the wait plus confirmation of a board (answer to confirmation).
c = (side[0]["confirmed"] - side[0]["start"]) / 1000
u = sum(b["end"] - b["start"] for b in side) / len(side) / 1000
w = sum(b["confirmed"] - b["end"] for b in side) / len(side) / 1000
ideal = c + (boards - 1) * u + w
print("%d boards, upload %.1f MB at %.1f MB/s, restart wait 195 s / %d = %.2f s" %
      (boards, size / 1e6, rate / 1e6, scale, 195 / scale))
print("one after another (N=1):   %7.1f s" % t1)
print("side by side (N=%d):       %7.1f s" % (boards, tn))
print("ideal side by side:         %7.1f s  (canary %.1f + %d x upload %.2f + wait and confirmation %.2f)" %
      (ideal, c, boards - 1, u, w))
print("side by side / ideal:       %7.3f  (goal: at most 1.10)" % (tn / ideal))
# The shipped timing: the same upload and confirmation, the wait at 195 s.
confirm = max(0.0, w - 195 / scale)
cycle = u + 195 + confirm
print("model, shipped 195-s wait: one after another %.1f min, side by side %.1f min" %
      (boards * cycle / 60, (cycle + (boards - 1) * u + 195 + confirm) / 60))
PY
