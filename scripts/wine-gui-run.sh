#!/bin/bash
# Runs one Windows GUI program under Wine on a private Xvfb display:
#   scripts/wine-gui-run.sh PROGRAM.exe [ARGS...]
# Wine's desktop process belongs to the wineserver and keeps the display it
# was started with, so a server left from a program run without a display
# (it lingers a few seconds) is waited out first.
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd) || exit 1
# shellcheck source=wine-env.sh
. "$here/wine-env.sh" || exit 1
wineserver -w
exec xvfb-run -a -s "-screen 0 1024x768x24" wine "$@"
