#!/usr/bin/env bash
# What a release build ships: Zantor and fwlauncher hold no trace of the
# test hooks (the name ZANTOR_TIME_SCALE is nowhere in them), and the Zantor
# that fwlauncher unpacks is this build's own, byte for byte.
#
#   release_programs.sh ZANTOR FWLAUNCHER PAYLOAD_ZIP
set -uo pipefail
zantor=${1:?Zantor} launcher=${2:?fwlauncher} payload=${3:?payload zip}
fail=0
check() { "$@" || { echo "FAIL: $*"; fail=1; }; }
no_hook() { ! grep -qaF ZANTOR_TIME_SCALE "$1"; }
same_in_payload() { unzip -p "$payload" "res/$(basename "$1")" | cmp -s - "$1"; }

check no_hook "$zantor"
check no_hook "$launcher"
check same_in_payload "$zantor"
[ "$fail" = 0 ] && echo "release programs: no test hooks; the payload carries this build's Zantor"
exit "$fail"
