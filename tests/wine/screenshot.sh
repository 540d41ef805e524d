#!/bin/bash
# Takes a picture of a Windows program's window under Wine:
#
#   tests/wine/screenshot.sh [-t SECONDS] [-s WxH] [-n NETNS] [-c X,Y]...
#                            PROGRAM.exe OUT.png [ARGS...]
#
# The program runs in a network namespace, so a program that searches the
# LAN at start (Zantor does) cannot send a single datagram off this
# machine: by default one made for this run with only loopback up, removed
# at the end together with its Wine prefix; with -n, one the caller made
# (for instance with a board simulator behind a veth pair), left as it is.
# Inside it, Xvfb gives the program a screen and Wine's virtual desktop
# draws the window frame, caption and menu bar as Windows would. The script
# waits until a main-window-sized window is on the desktop (at most -t
# seconds, default 30), clicks the left button at each -c point in order
# (a -c of wait:S sleeps S seconds there, key:K presses the key K, e.g. y),
# lets it settle, captures the whole screen with ImageMagick's import, and
# ends the program, Wine and Xvfb.
# Needs root (ip netns), Xvfb, xwininfo, import and python3 (clicks only).
set -u

usage() {
  echo "usage: $0 [-t SECONDS] [-s WxH] [-n NETNS] [-c X,Y]... PROGRAM.exe OUT.png [ARGS...]" >&2
  exit 2
}
timeout=30
screen=1024x768
netns=""
clicks=()
while getopts "t:s:n:c:" opt; do
  case $opt in
    t) timeout=$OPTARG ;;
    s) screen=$OPTARG ;;
    n) netns=$OPTARG ;;
    c) clicks+=("$OPTARG") ;;
    *) usage ;;
  esac
done
shift $((OPTIND - 1))
[ $# -ge 2 ] || usage

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd) || exit 1
repo=$(cd "$here/../.." && pwd) || exit 1
program=$(readlink -f "$1") || exit 1
out=$(readlink -f "$2") || exit 1
shift 2

# ---- Outside: pick the namespace, run the inside part there. ------------------
if [ -z "${ZT_SHOT_INSIDE:-}" ]; then
  if [ -z "$netns" ]; then
    netns="zt-shot-$$"
    ip netns add "$netns" || exit 1
    cleanup() {
      ip netns delete "$netns" 2>/dev/null
      # wine-env.sh gave the namespace its own copy of the prefix.
      base="${ZANTOR_WINEPREFIX:-$repo/build/wineprefix}"
      rm -rf "$base-netns-$netns" "$base-netns-$netns.tmp" "$base-netns-$netns.lock"
    }
    trap cleanup EXIT
    ip netns exec "$netns" ip link set lo up || exit 1
  elif ! ip netns list | grep -qw -- "$netns"; then
    echo "screenshot: no network namespace $netns" >&2
    exit 1
  fi
  click_args=()
  for c in "${clicks[@]}"; do click_args+=(-c "$c"); done
  ZT_SHOT_INSIDE=1 ip netns exec "$netns" \
    xvfb-run -a -s "-screen 0 ${screen}x24 -nolisten tcp" \
    "$here/screenshot.sh" -t "$timeout" -s "$screen" "${click_args[@]}" "$program" "$out" "$@"
  exit $?
fi

# ---- Inside the namespace, under Xvfb. ----------------------------------------
# shellcheck source=../../scripts/wine-env.sh
. "$repo/scripts/wine-env.sh" || exit 1

# This Wine does not find its own fonts (Marlett draws the caption buttons,
# Tahoma is its UI face); the prefix gets copies, so the picture shows what
# Windows would.
for font in marlett.ttf tahoma.ttf tahomabd.ttf; do
  for dir in /usr/share/wine/fonts /usr/lib/wine/fonts; do
    [ -f "$dir/$font" ] && cp -n "$dir/$font" "$WINEPREFIX/drive_c/windows/Fonts/" && break
  done
done

# A Windows program that finds no window manager gets no frame; Wine's
# virtual desktop gives it the frame, caption and menu bar of Windows.
wine explorer "/desktop=zt-shot,$screen" "$program" "$@" >/dev/null 2>&1 &
wine_pid=$!

finish() {
  kill "$wine_pid" 2>/dev/null
  # Every process of this prefix is ours: the prefix belongs to the
  # namespace this run uses.
  wineserver -k 2>/dev/null
  wineserver -w 2>/dev/null
}
trap finish EXIT

# One press and release of the left button at screen point X,Y (XTest).
click() {
  python3 - "$1" <<'EOF'
import ctypes, sys, time
x, y = (int(v) for v in sys.argv[1].split(","))
x11 = ctypes.CDLL("libX11.so.6")
xtst = ctypes.CDLL("libXtst.so.6")
x11.XOpenDisplay.restype = ctypes.c_void_p
display = ctypes.c_void_p(x11.XOpenDisplay(None))
if not display:
    sys.exit("screenshot: no display for the click")
xtst.XTestFakeMotionEvent(display, -1, x, y, 0)
xtst.XTestFakeButtonEvent(display, 1, True, 0)
xtst.XTestFakeButtonEvent(display, 1, False, 0)
x11.XFlush(display)
time.sleep(0.2)
x11.XCloseDisplay(display)
EOF
}

# One press and release of key K (an X keysym name such as y or Return).
key() {
  python3 - "$1" <<'EOF'
import ctypes, sys, time
x11 = ctypes.CDLL("libX11.so.6")
xtst = ctypes.CDLL("libXtst.so.6")
x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XStringToKeysym.restype = ctypes.c_ulong
display = ctypes.c_void_p(x11.XOpenDisplay(None))
if not display:
    sys.exit("screenshot: no display for the key")
code = x11.XKeysymToKeycode(display, ctypes.c_ulong(x11.XStringToKeysym(sys.argv[1].encode())))
xtst.XTestFakeKeyEvent(display, code, True, 0)
xtst.XTestFakeKeyEvent(display, code, False, 0)
x11.XFlush(display)
time.sleep(0.2)
x11.XCloseDisplay(display)
EOF
}

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
for c in "${clicks[@]}"; do
  case $c in
    wait:*) sleep "${c#wait:}"; continue ;;
    key:*) key "${c#key:}" || exit 1 ;;
    *) click "$c" || exit 1 ;;
  esac
  sleep 1
done
import -window root "$out" || exit 1
echo "screenshot: $out"
