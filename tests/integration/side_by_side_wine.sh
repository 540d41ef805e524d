#!/usr/bin/env bash
# The Windows Zantor.exe under Wine and Xvfb updates four simulated boards
# several at once: the wired node is chosen, "Update several boards at once"
# turned on in the Adapter menu, the update confirmed; the picture is taken
# once the first board is confirmed and the others are under way, their rows
# progressing together.
#
#   side_by_side_wine.sh BOARDSIM ZANTOR.exe SCREENSHOT.png [IMAGE]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
boardsim=${1:?boardsim} zantor=${2:?Zantor.exe} shot=${3:?screenshot path}
image=${4:-$repo/build/linux/resources/l04_05.12.rcc}
. "$here/netns.sh"

ZT_NETNS_ID="${ZT_NETNS_ID:-sbsw}" zt_netns_setup 4 || { echo "FAIL: namespaces"; exit 1; }
work=$(mktemp -d)
trap 'zt_netns_cleanup; rm -rf "$work"' EXIT
# 4 MB/s: about 4.5 s per upload; the restart wait is 195 s / 20 = 9.75 s.
for i in 11 12 13 14; do
  echo "ip=10.213.0.$i,version=5.00,type=4.01,restart=6000,rate=4000000"
done >"$work/boards.conf"
zt_in_sim "$boardsim" --log "$work/sim.log" --config "$work/boards.conf" --image "$image" &
for _ in $(seq 50); do grep -q ' ready ' "$work/sim.log" 2>/dev/null && break; sleep 0.1; done

mkdir -p "$(dirname "$shot")"
# Points of the 1024x768 virtual desktop: the wired node, the Adapter menu,
# its side-by-side item, the update button; y answers the confirmation. The
# picture comes when the first board's cycle (about 15 s) and two more
# uploads are over.
ZANTOR_TIME_SCALE=20 ZT_SHOT_SETTLE=4 "$repo/tests/wine/screenshot.sh" -t 60 -n "$ZT_NS_HOST" \
  -c 235,190 -c "${ZT_SBS_MENU:-253,157}" -c "${ZT_SBS_ITEM:-280,241}" \
  -c "${ZT_SBS_UPDATE:-626,604}" -c key:y -c "wait:${ZT_SBS_WAIT:-26}" \
  "$zantor" "$shot" >"$work/shot.out" 2>&1
rc=$?
fail=0
[ "$rc" -eq 0 ] && [ -s "$shot" ] || { echo "FAIL: no screenshot ($rc)"; cat "$work/shot.out"; fail=1; }
python3 "$here/sim_timeline.py" "$work/sim.log" || true
uploads=$(grep -c ' accept board=' "$work/sim.log")
[ "$uploads" -ge 3 ] || { echo "FAIL: $uploads upload(s) began; expected the first board and two more"; fail=1; }
if [ $fail -ne 0 ]; then
  grep -v ' rx \| tx ' "$work/sim.log" | tail -n 30
  exit 1
fi
echo "side by side (wine): screenshot $shot"
