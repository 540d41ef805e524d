#!/bin/bash
# Takes a picture of a Windows program's window under Wine:
#
#   tests/wine/screenshot.sh [-t SECONDS] [-s WxH] PROGRAM.exe OUT.png [ARGS...]
#
# The program runs in a network namespace of its own with only loopback up,
# so a program that searches the LAN at start (Zantor does) cannot send a
# single datagram off this machine. Inside it, Xvfb gives it a screen and
# Wine's virtual desktop draws the window frame, menu bar and all, as
# Windows would. The script waits until the program's window is on the
# desktop (at most -t seconds, default 30), lets it settle, captures the
# whole screen with ImageMagick's import, then ends the program, Wine, Xvfb
# and the namespace, and removes the namespace's Wine prefix.
# Needs root (ip netns), Xvfb, xwininfo and import.
set -u

timeout=30
screen=1024x768
while getopts "t:s:" opt; do
  case $opt in
    t) timeout=$OPTARG ;;
    s) screen=$OPTARG ;;
    *) echo "usage: $0 [-t SECONDS] [-s WxH] PROGRAM.exe OUT.png [ARGS...]" >&2; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
if [ $# -lt 2 ]; then
  echo "usage: $0 [-t SECONDS] [-s WxH] PROGRAM.exe OUT.png [ARGS...]" >&2
  exit 2
fi

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd) || exit 1
repo=$(cd "$here/../.." && pwd) || exit 1
program=$(readlink -f "$1") || exit 1
out=$(readlink -f "$2") || exit 1
shift 2

# ---- Outside: make the namespace, run the inside part there, clean up. ----
if [ -z "${ZT_SHOT_INSIDE:-}" ]; then
  ns="zt-shot-$$"
  ip netns add "$ns" || exit 1
  cleanup() {
    ip netns delete "$ns" 2>/dev/null
    # wine-env.sh gave the namespace its own copy of the prefix.
    base="${ZANTOR_WINEPREFIX:-$repo/build/wineprefix}"
    rm -rf "$base-netns-$ns" "$base-netns-$ns.tmp" "$base-netns-$ns.lock"
  }
  trap cleanup EXIT
  ip netns exec "$ns" ip link set lo up || exit 1
  ZT_SHOT_INSIDE=1 ip netns exec "$ns" \
    xvfb-run -a -s "-screen 0 ${screen}x24 -nolisten tcp" \
    "$here/screenshot.sh" -t "$timeout" -s "$screen" "$program" "$out" "$@"
  exit $?
fi

# ---- Inside the namespace, under Xvfb. ----------------------------------------
# shellcheck source=../../scripts/wine-env.sh
. "$repo/scripts/wine-env.sh" || exit 1

# A Windows program that finds no window manager gets no frame; Wine's
# virtual desktop gives it the frame, caption and menu bar of Windows.
desktop="zt-shot,$screen"
wine explorer "/desktop=$desktop" "$program" "$@" >/dev/null 2>&1 &
wine_pid=$!

finish() {
  kill "$wine_pid" 2>/dev/null
  # Every process of this prefix is ours: the prefix belongs to the
  # namespace made for this run.
  wineserver -k 2>/dev/null
  wineserver -w 2>/dev/null
}
trap finish EXIT

# The program's top-level windows are X children of the desktop window;
# wait until one of them is mapped and as large as a main window is.
deadline=$((SECONDS + timeout))
up=""
while [ $SECONDS -lt $deadline ]; do
  if ! kill -0 "$wine_pid" 2>/dev/null; then
    echo "screenshot: the program ended before its window showed" >&2
    exit 1
  fi
  while read -r id; do
    info=$(xwininfo -id "$id" 2>/dev/null) || continue
    w=$(sed -n 's/^ *Width: //p' <<<"$info")
    h=$(sed -n 's/^ *Height: //p' <<<"$info")
    if grep -q "Map State: IsViewable" <<<"$info" && [ "${w:-0}" -ge 400 ] && [ "${h:-0}" -ge 300 ] &&
       [ "${w}x${h}" != "$screen" ]; then
      up=$id
    fi
  done < <(xwininfo -root -tree 2>/dev/null | awk '/^ +0x[0-9a-f]+ /{print $1}')
  [ -n "$up" ] && break
  sleep 0.5
done
if [ -z "$up" ]; then
  echo "screenshot: no window after $timeout s" >&2
  import -window root "$out"
  exit 1
fi

# Painting and the first search round finish within a moment.
sleep "${ZT_SHOT_SETTLE:-3}"
import -window root "$out" || exit 1
echo "screenshot: $out"
