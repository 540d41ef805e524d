#!/usr/bin/env bash
# The Windows Zantor.exe under Wine and Xvfb finds simulated boards across
# a private veth pair; the wired node is clicked and the window captured.
# Checks what the boards saw: frames, their order and their timing.
#
#   listing_wine.sh BOARDSIM ZANTOR.exe SCREENSHOT.png
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
boardsim=${1:?boardsim} zantor=${2:?Zantor.exe} shot=${3:?screenshot path}
. "$here/netns.sh"

ZT_NETNS_ID="${ZT_NETNS_ID:-listw}" zt_netns_setup 5 || { echo "FAIL: namespaces"; exit 1; }
work=$(mktemp -d)
trap 'zt_netns_cleanup; rm -rf "$work"' EXIT

cat >"$work/boards.conf" <<CONF
ip=10.213.0.11,mac=02:00:00:00:00:11,version=5.00,type=4.01
ip=10.213.0.12,mac=02:00:00:00:00:12,version=5.12,type=4.01
ip=10.213.0.13,mac=02:00:00:00:00:13,form=newer,kind=4,model=QJ-L04,version=5.0A
ip=10.213.0.14,mac=02:00:00:00:00:14,version=4.10,fault=nostatus
ip=10.213.0.15,mac=02:00:00:00:00:15,version=5.12
ip=10.213.0.15,mac=02:00:00:00:00:16,version=5.12
CONF
zt_in_sim "$boardsim" --log "$work/sim.log" --config "$work/boards.conf" &
for _ in $(seq 50); do grep -q ' ready ' "$work/sim.log" 2>/dev/null && break; sleep 0.1; done

mkdir -p "$(dirname "$shot")"
# The wired node sits at this point of the 1024x768 virtual desktop.
ZT_SHOT_SETTLE=4 "$repo/tests/wine/screenshot.sh" -t 60 -n "$ZT_NS_HOST" -c 235,190 \
  "$zantor" "$shot" >"$work/shot.out" 2>&1
rc=$?

fail=0
check() { "$@" || { echo "FAIL: $*"; fail=1; }; }
times() { grep -E "$1" "$work/sim.log" | sed -E 's/^t=([0-9]+).*/\1/'; }
check test "$rc" -eq 0
check test -s "$shot"
# Two searches about two seconds apart, each one 14-byte broadcast. The
# retry timer counts from the first show, but the first search leaves only
# when the message loop runs, after the window is built: under load the gap
# shrinks by that start-up time.
mapfile -t searches < <(times 'to=255\.255\.255\.255 port=3289 len=14 req=search')
check test "${#searches[@]}" -ge 2
if [ "${#searches[@]}" -ge 2 ]; then
  gap=$((searches[1] - searches[0]))
  check test "$gap" -ge 1400 -a "$gap" -le 2600
fi
# Each board answering the search is asked for its basic information, the
# newer one for its model too; every unicast goes to the board's own address.
for b in 11 12 14 15; do
  check grep -q "to=10\.213\.0\.$b port=3289 len=14 req=basic" "$work/sim.log"
done
check grep -q 'to=10\.213\.0\.13 port=3289 len=14 req=model' "$work/sim.log"
first_model=$(times 'to=10\.213\.0\.13 .*req=model' | head -n1)
first_search=${searches[0]:-0}
check test "$((first_model - first_search))" -lt 1000
# Status polls every two seconds for the identified boards.
mapfile -t polls < <(times 'to=10\.213\.0\.11 port=3289 len=14 req=status')
check test "${#polls[@]}" -ge 2
# The picture is a real window, not an empty screen.
colours=$(identify -format '%k' "$shot" 2>/dev/null || echo 0)
check test "$colours" -gt 16
if [ $fail -ne 0 ]; then
  echo "--- screenshot"; cat "$work/shot.out"
  echo "--- simulator log"; grep -v ' tx ' "$work/sim.log" | tail -n 40
  exit 1
fi
echo "listing (wine): searches at ${searches[*]} ms, screenshot $shot"
