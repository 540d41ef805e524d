#!/bin/bash
# The dialogs under Wine and Xvfb:
#   tests/wine/dialogs_wine.sh DIALOGS_TESTS.exe ZANTOR.exe ARTIFACT_DIR
# 1. Writes a display name for the first adapter Wine lists into the
#    network-adapter registry key (`wine reg add`: a subkey "A" with a Name,
#    "Connection" with the Name that must win, "Z" without one), runs the
#    dialog tests, and removes the key again.
# 2. Takes a picture of each dialog in English and Japanese inside Wine's
#    virtual desktop (which draws the frames and captions as Windows does)
#    and keeps them as PNG files in ARTIFACT_DIR.
# Nothing here sends anything: the adapters are only listed.
set -u
tests=$(readlink -f "${1:?dialogs_tests.exe}") zantor=$(readlink -f "${2:?Zantor.exe}")
artifacts=${3:?artifact directory}
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
# shellcheck source=../../scripts/wine-env.sh
. "$repo/scripts/wine-env.sh" || exit 1
wineserver -w

class_key='HKLM\SYSTEM\CurrentControlSet\Control\Network\{4D36E972-E325-11CE-BFC1-08002BE10318}'
name="Zantor Test LAN"
id=$(wine "$tests" --list-adapters 2>/dev/null | tr -d '\r' | awk 'NR==1{print $1}')
key=""
if [ -n "$id" ]; then
  key="$class_key\\$id"
  trap 'wine reg delete "$key" /f >/dev/null 2>&1; wineserver -w' EXIT
  wine reg add "$key\\A" /v Name /d "Early name" /f >/dev/null || exit 1
  wine reg add "$key\\Connection" /v Name /d "$name" /f >/dev/null || exit 1
  wine reg add "$key\\Z" /f >/dev/null || exit 1
  export ZT_ADAPTER_ID="$id" ZT_ADAPTER_NAME="$name"
else
  echo "dialogs: Wine lists no adapter; the registry name case is skipped"
fi

fail=0
# winepath starts Wine too: every path is converted before the display
# runs are started, and the display-less server is waited out first.
zantor_w=$(winepath -w "$zantor" 2>/dev/null)
shots=$(mktemp -d)
shots_w=$(winepath -w "$shots" 2>/dev/null)
wineserver -w
ZT_ZANTOR_EXE="$zantor_w" xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" wine "$tests" || fail=1

# ---- Pictures --------------------------------------------------------------------
mkdir -p "$artifacts"
trap '[ -n "$key" ] && wine reg delete "$key" /f >/dev/null 2>&1; rm -rf "$shots"; wineserver -w' EXIT
# Wine does not find its own UI fonts here (see tests/wine/screenshot.sh).
for font in marlett.ttf tahoma.ttf tahomabd.ttf; do
  for dir in /usr/share/wine/fonts /usr/lib/wine/fonts; do
    [ -f "$dir/$font" ] && cp -n "$dir/$font" "$WINEPREFIX/drive_c/windows/Fonts/" && break
  done
done
# Windows links its UI face to a Japanese font; this prefix has none, so
# Tahoma is linked to Droid Sans Fallback (fonts-droid-fallback) for the
# Japanese pictures.
cjk=/usr/share/fonts/truetype/droid/DroidSansFallbackFull.ttf
if [ -f "$cjk" ]; then
  cp -n "$cjk" "$WINEPREFIX/drive_c/windows/Fonts/"
  for face in Tahoma "Tahoma Bold" "Microsoft Sans Serif"; do
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
      /v "$face" /t REG_MULTI_SZ /d "DroidSansFallbackFull.ttf,Droid Sans Fallback" /f >/dev/null
  done
fi
for lang in en ja; do
  wineserver -w
  ZT_SHOT_DIR="$shots_w" ZT_SHOT_LANG=$lang \
    timeout 120 xvfb-run -a -s "-screen 0 800x600x24 -nolisten tcp" \
    wine explorer /desktop=zt-dialogs,800x600 "$tests" --gtest_filter='DialogShots.*' \
    >/dev/null 2>&1 &
  pid=$!
  for _ in $(seq 240); do
    [ -s "$shots/dialog-about-$lang.bmp" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.5
  done
  sleep 1
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  for d in adapter ipedit about; do
    bmp="$shots/dialog-$d-$lang.bmp"
    if [ -s "$bmp" ] && convert "$bmp" "$artifacts/dialog-$d-$lang.png"; then
      colours=$(identify -format '%k' "$artifacts/dialog-$d-$lang.png" 2>/dev/null || echo 0)
      if [ "$colours" -le 4 ]; then
        echo "FAIL: the picture of $d ($lang) is empty"
        fail=1
      fi
    else
      echo "FAIL: no picture of $d ($lang)"
      fail=1
    fi
  done
done
ls "$artifacts"/dialog-*.png 2>/dev/null
exit $fail
