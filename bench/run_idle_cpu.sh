#!/usr/bin/env bash
# CPU use of Zantor during the board's fixed restart wait, shipped timing:
# automatic mode against a simulated board with the pipe server listening
# (so every 240-ms step also makes its pipe exchange). Samples the process's
# CPU time over SECONDS of the wait.   bench/run_idle_cpu.sh [SECONDS]
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
build=$repo/build/linux
secs=${1:-30}
cmake --build "$build" --target Zantor boardsim pipeserver >/dev/null
. "$repo/tests/integration/netns.sh"
ZT_NETNS_ID="idle" zt_netns_setup 1
work=$(mktemp -d)
trap 'zt_netns_cleanup; rm -rf "$work"' EXIT
zt_in_sim "$build/bin/boardsim" --log "$work/sim.log" \
  --image "$build/resources/l04_05.12.rcc" --board ip=10.213.0.11,restart=300000 &
for _ in $(seq 50); do grep -q ' ready ' "$work/sim.log" 2>/dev/null && break; sleep 0.1; done
zt_in_host "$build/bin/pipeserver" --path "$work/pipe" --log "$work/pipe.log" &
for _ in $(seq 50); do grep -q ready "$work/pipe.log" 2>/dev/null && break; sleep 0.1; done
zt_in_host env ZANTOR_PIPE="$work/pipe" "$build/bin/Zantor" 10.213.0.11 >/dev/null 2>&1 &
# Wait for the upload to be answered: the fixed wait starts then.
for _ in $(seq 200); do grep -q 'answer=200' "$work/sim.log" && break; sleep 0.1; done
sleep 1
pid=$(pgrep -n -x Zantor)
tick=$(getconf CLK_TCK)
cpu() { awk '{ print $14 + $15 }' "/proc/$pid/stat"; }
c0=$(cpu); t0=$(date +%s.%N)
sleep "$secs"
c1=$(cpu); t1=$(date +%s.%N)
messages=$(grep -c 'kind=1' "$work/pipe.log")
kill "$pid" 2>/dev/null || true
echo "$c0 $c1 $t0 $t1 $tick $messages" | awk '{ used = ($2 - $1) / $5; wall = $4 - $3;
  printf "fixed wait: %.2f s CPU in %.1f s wall = %.2f %% of one core; %d progress messages so far\n",
         used, wall, 100 * used / wall, $6 }'
