#!/usr/bin/env bash
# Runs the in-process scenarios of the main window against simulated boards
# in a private namespace pair, then checks what the boards saw.
#   zantor_scenarios.sh BOARDSIM SCENARIO_TEST
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
boardsim=${1:?boardsim path}
scenarios=${2:?scenario test path}
. "$here/netns.sh"

ZT_NETNS_ID="${ZT_NETNS_ID:-scen}" zt_netns_setup 6 || { echo "FAIL: namespaces"; exit 1; }
work=$(mktemp -d)
trap 'zt_netns_cleanup; rm -rf "$work"' EXIT

# A small image: the upload path is the same for any size.
head -c 300000 /dev/urandom >"$work/image.rcc"
cat >"$work/boards.conf" <<CONF
ip=10.213.0.11,mac=02:00:00:00:00:11,version=5.00,type=4.01,restart=1500,newversion=5.12
ip=10.213.0.12,mac=02:00:00:00:00:12,version=5.12,type=4.01
ip=10.213.0.13,mac=02:00:00:00:00:13,form=newer,kind=4,model=QJ-L04,version=5.0A
ip=10.213.0.14,mac=02:00:00:00:00:14,version=5.00,fault=nostatus
ip=10.213.0.16,mac=02:00:00:00:00:17,version=5.08,type=4.01,restart=1500,newversion=5.12
ip=10.213.0.15,mac=02:00:00:00:00:15,version=5.12
ip=10.213.0.15,mac=02:00:00:00:00:16,version=5.12
CONF
zt_in_sim "$boardsim" --log "$work/sim.log" --config "$work/boards.conf" \
  --image "$work/image.rcc" --field rcc --filename l04_05.12.rcc &
for _ in $(seq 50); do grep -q ' ready ' "$work/sim.log" 2>/dev/null && break; sleep 0.1; done

ZT_IMAGE="$work/image.rcc" zt_in_host "$scenarios" 2>&1 | tail -n 40
rc=${PIPESTATUS[0]}
fail=0
[ "$rc" -eq 0 ] || { echo "FAIL: scenario test exited $rc"; fail=1; }
# The first search goes out at once, the second two seconds later.
searches=$(grep -c 'req=search' "$work/sim.log")
[ "$searches" -ge 2 ] || { echo "FAIL: expected at least 2 searches, saw $searches"; fail=1; }
grep -q 'to=10.213.0.13 port=3289 len=14 req=model' "$work/sim.log" ||
  { echo "FAIL: the newer board was never asked its model"; fail=1; }
if grep -q 'http board=' "$work/sim.log"; then
  uploads=$(grep -c 'http board=.*answer=200' "$work/sim.log")
  [ "$uploads" -eq 2 ] || { echo "FAIL: expected 2 accepted uploads, saw $uploads"; fail=1; }
  first=$(grep -n 'http board=10.213.0.11' "$work/sim.log" | head -n1 | cut -d: -f1)
  second=$(grep -n 'http board=10.213.0.16' "$work/sim.log" | head -n1 | cut -d: -f1)
  [ -n "$first" ] && [ -n "$second" ] && [ "$first" -lt "$second" ] ||
    { echo "FAIL: uploads not in list order"; fail=1; }
fi
if [ $fail -ne 0 ]; then
  echo "--- simulator log (tail)"; grep -v ' rx \| tx ' "$work/sim.log" | tail -n 40
  exit 1
fi
echo "scenarios: listing and update against the simulator passed"
