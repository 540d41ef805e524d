#!/usr/bin/env bash
# fwlauncher.exe with no argument under Wine, end to end, in a network
# namespace of its own (loopback only) on a private Xvfb display:
#
#   launcher_wine.sh FWLAUNCHER.exe QUICK_FWLAUNCHER.exe NOVIEWER_FWLAUNCHER.exe PROBE.exe
#                    SCREENSHOT.png
#
# - the start-up window: class "StartupDialogClass", its caption, 400 x 300,
#   the smooth bar at (40,140) 300 x 30 with range 0..35; a screenshot of it;
#   at 144 DPI the same window about 1.5 times as large, and its screenshot
#   beside the first (-144dpi.png);
# - Terma's window appears, and the start-up window goes about one second
#   later (its closing timer);
# - a second start while the first runs ends with 1100 and shows nothing;
# - "Do not agree" in Terma: the launcher removes T + "ZANTOR" and ends with 0;
# - QUICK_FWLAUNCHER carries a viewer that ends at once: the window still
#   closes through its timer and the launcher ends with 0, the tree removed;
# - NOVIEWER_FWLAUNCHER's payload has no viewer: the window stays until the
#   user closes it, then the launcher removes the tree and ends with 0.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(cd "$here/../.." && pwd)
launcher=$(readlink -f "${1:?fwlauncher.exe}")
quick=$(readlink -f "${2:?quick fwlauncher.exe}")
noviewer=$(readlink -f "${3:?fwlauncher.exe without a viewer}")
probe=$(readlink -f "${4:?probe.exe}")
shot=$(readlink -m "${5:?screenshot path}")

if [ -z "${ZT_LAUNCHER_INSIDE:-}" ]; then
  netns="zt-lwine-$$-$RANDOM"
  ip netns add "$netns" || exit 1
  cleanup() {
    ip netns pids "$netns" 2>/dev/null | xargs -r kill -9 2>/dev/null
    ip netns delete "$netns" 2>/dev/null
    base="${ZANTOR_WINEPREFIX:-$repo/build/wineprefix}"
    rm -rf "$base-netns-$netns" "$base-netns-$netns.tmp" "$base-netns-$netns.lock"
  }
  trap cleanup EXIT
  ip netns exec "$netns" ip link set lo up || exit 1
  mkdir -p "$(dirname "$shot")"
  ZT_LAUNCHER_INSIDE=1 ip netns exec "$netns" \
    xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" "$0" "$@"
  exit $?
fi

# ---- Inside the namespace, under Xvfb. -----------------------------------------
. "$repo/scripts/wine-env.sh" || exit 1
for font in marlett.ttf tahoma.ttf tahomabd.ttf; do
  for dir in /usr/share/wine/fonts /usr/lib/wine/fonts; do
    [ -f "$dir/$font" ] && cp -n "$dir/$font" "$WINEPREFIX/drive_c/windows/Fonts/" && break
  done
done
# Every program of this prefix runs in Wine's virtual desktop, which draws
# the frames and captions Windows would.
wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
# Windows has Meiryo, which the start-up text asks for; Wine has none, so
# the prefix maps it to the Japanese Gothic face setup installs.
reg="$WINEPREFIX/drive_c/zt-fonts.reg"
printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n"\xe3\x83\xa1\xe3\x82\xa4\xe3\x83\xaa\xe3\x82\xaa"="IPAGothic"\r\n' |
  iconv -f UTF-8 -t UTF-16 >"$reg"
wine regedit /S 'C:\zt-fonts.reg' >/dev/null 2>&1
# A session started before the settings keeps the bare X desktop.
wineserver -k 2>/dev/null
wineserver -w 2>/dev/null
trap 'wineserver -k 2>/dev/null; wineserver -w 2>/dev/null' EXIT
wine explorer /desktop=Default,1024x768 >/dev/null 2>&1 &
sleep 2

temp_win=$(wine cmd /c 'echo %TEMP%' 2>/dev/null | tr -d '\r')
temp=$(winepath -u "$temp_win" 2>/dev/null)
temp=${temp%/}
[ -d "$temp" ] || { echo "FAIL: no Wine temporary directory ($temp_win)"; exit 1; }
unpack="$temp/ZANTOR"
rm -rf "$unpack"

fail=0
check() {
  if ! "${@:2}"; then
    echo "FAIL: $1"
    fail=1
  fi
}
has() { grep -qF -- "$1" <<<"$2"; }
ended() { ! kill -0 "$1" 2>/dev/null; }

wine "$launcher" >/dev/null 2>&1 &
first=$!
started=$(wine "$probe" startup 60 | tr -d '\r')
echo "$started"
check "start-up window shown" has "caption=Kavro Network Firmware Updater" "$started"
check "400 x 300" has "size=400x300" "$started"
check "dialog-modal frame, caption, system menu" has "modalframe=1 caption_style=1 sysmenu=1" "$started"
check "smooth bar at (40,140), 300 x 30, 0..35" has "bar=1 smooth=1 at=40,140 size=300x30 range=0..35" "$started"
sleep 0.3
import -window root "$shot" && echo "screenshot: $shot"

terma=$(wine "$probe" terma 120 | tr -d '\r')
echo "$terma"
check "Terma started" has "terma=Kavro Network Firmware Updater - Licence Agreement" "$terma"
gone=$(wine "$probe" gone 10 | tr -d '\r')
echo "$gone"
ms=$(sed -n 's/^gone_after_ms=//p' <<<"$gone")
check "start-up window closed about a second after Terma ($gone)" [ "${ms:-9999}" -le 3000 ]
check "unpacked while Terma runs" [ -f "$unpack/res/Zantor.exe" -a -f "$unpack/res/Terma/Terma.exe" ]

# A second start while the first holds the mutex.
wine "$launcher" >/dev/null 2>&1
rc=$?
check "second start ends with 1100 (was $rc; Wine passes it modulo 256)" [ $rc -eq $((1100 % 256)) ]
count=$(wine "$probe" count | tr -d '\r')
check "second start shows no window ($count)" has "startup_windows=0" "$count"

pressed=$(wine "$probe" decline | tr -d '\r')
echo "$pressed"
check "Do not agree pressed" has "pressed=Do not agree" "$pressed"
wait "$first"
rc=$?
check "first launcher ends with 0 (was $rc)" [ $rc -eq 0 ]
check "T + ZANTOR removed" [ ! -e "$unpack" ]

# Agree: Terma runs the unpacked Zantor.exe and waits; closing Zantor ends
# Terma, and then the launcher cleans up.
wine "$launcher" >/dev/null 2>&1 &
third=$!
wine "$probe" terma 120 >/dev/null
pressed=$(wine "$probe" agree | tr -d '\r')
check "Agree pressed ($pressed)" has "pressed=Agree" "$pressed"
zantor=$(wine "$probe" zantor 120 | tr -d '\r')
echo "$zantor"
check "Zantor's window from the payload" has "zantor=" "$zantor"
check "Zantor runs from the unpacked tree" [ -f "$unpack/res/Zantor.exe" ]
for _ in $(seq 300); do kill -0 "$third" 2>/dev/null || break; sleep 0.1; done
check "agree: launcher ended after Zantor" ended "$third"
wait "$third"
rc=$?
check "agree: exit code 0 (was $rc)" [ $rc -eq 0 ]
check "agree: T + ZANTOR removed" [ ! -e "$unpack" ]

# A Japanese user: Terma in Japanese.
LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 wine "$launcher" >/dev/null 2>&1 &
fourth=$!
terma=$(wine "$probe" terma 120 | tr -d '\r')
echo "$terma"
check "Japanese: Terma's Japanese title" has "使用許諾契約" "$terma"
pressed=$(wine "$probe" decline | tr -d '\r')
check "Japanese: Do not agree in Japanese ($pressed)" has "pressed=同意しない" "$pressed"
wait "$fourth"
check "Japanese: T + ZANTOR removed" [ ! -e "$unpack" ]

# Version resources, icons and manifests.
for program in "$launcher" "$(dirname "$launcher")/Terma.exe"; do
  info=$(wine "$probe" version "$(winepath -w "$program")" | tr -d '\r')
  echo "$info"
  check "$(basename "$program"): version 1.0.0.0" has "version=1.0.0.0" "$info"
  check "$(basename "$program"): icon and manifest" has "icon=1 manifest=1" "$info"
done

# A viewer that ends at once.
wine "$quick" >/dev/null 2>&1 &
second=$!
started=$(wine "$probe" startup 60 | tr -d '\r')
check "quick viewer: start-up window shown" has "caption=Kavro Network Firmware Updater" "$started"
for _ in $(seq 300); do kill -0 "$second" 2>/dev/null || break; sleep 0.1; done
check "quick viewer: launcher ended within 30 s" ended "$second"
wait "$second"
rc=$?
check "quick viewer: exit code 0 (was $rc)" [ $rc -eq 0 ]
count=$(wine "$probe" count | tr -d '\r')
check "quick viewer: window gone ($count)" has "startup_windows=0" "$count"
check "quick viewer: T + ZANTOR removed" [ ! -e "$unpack" ]
[ -e "$unpack" ] && find "$unpack" -ls

# No viewer to start: the shell reports the missing file in a message box,
# and the window stays (well past its 3.5-s bar) until the user closes it.
wine "$noviewer" >/dev/null 2>&1 &
fifth=$!
wine "$probe" startup 60 >/dev/null
box=$(wine "$probe" dismiss 30 | tr -d '\r')
echo "$box"
sleep 4
count=$(wine "$probe" count | tr -d '\r')
check "no viewer: the window stays ($count)" has "startup_windows=1" "$count"
check "no viewer: the launcher waits" kill -0 "$fifth"
wine "$probe" close
for _ in $(seq 300); do kill -0 "$fifth" 2>/dev/null || break; sleep 0.1; done
check "no viewer: launcher ended after the close button" ended "$fifth"
ended "$fifth" || kill "$fifth"
wait "$fifth"
rc=$?
check "no viewer: exit code 0 (was $rc)" [ $rc -eq 0 ]
check "no viewer: T + ZANTOR removed" [ ! -e "$unpack" ]

# 150 % scaling (144 DPI): window, bar and text grow with the scale, as the
# manifest's per-monitor awareness promises. The window without a viewer
# stays, so its picture shows the full bar.
client96=$(sed -n 's/^client=//p' <<<"$started")
for key in 'HKCU\Control Panel\Desktop' \
  'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts'; do
  wine reg add "$key" /v LogPixels /t REG_DWORD /d 144 /f >/dev/null 2>&1
done
wineserver -k 2>/dev/null
wineserver -w 2>/dev/null
wine explorer /desktop=Default,1024x768 >/dev/null 2>&1 &
sleep 2
wine "$noviewer" >/dev/null 2>&1 &
sixth=$!
scaled=$(wine "$probe" startup 60 | tr -d '\r')
echo "at 144 DPI: $scaled"
wine "$probe" dismiss 30 >/dev/null
sleep 4
import -window root "${shot%.png}-144dpi.png" && echo "screenshot: ${shot%.png}-144dpi.png"
client144=$(sed -n 's/^client=//p' <<<"$scaled")
# About 1.5 times the 96-DPI client area each way (the frame need not scale).
ratio_ok() {
  awk -v a="$1" -v b="$2" 'BEGIN { split(a, x, "x"); split(b, y, "x");
    exit !(x[1] > 0 && x[2] > 0 && y[1] / x[1] >= 1.4 && y[1] / x[1] <= 1.6 &&
           y[2] / x[2] >= 1.4 && y[2] / x[2] <= 1.6) }'
}
check "144 DPI: client $client144 is about 1.5 x $client96" ratio_ok "$client96" "$client144"
check "144 DPI: bar at (60,210), 450 x 45" has "at=60,210 size=450x45" "$scaled"
wine "$probe" close
for _ in $(seq 300); do kill -0 "$sixth" 2>/dev/null || break; sleep 0.1; done
ended "$sixth" || kill "$sixth"
wait "$sixth"

[ $fail -eq 0 ] && echo "PASS: launcher under Wine"
exit $fail
