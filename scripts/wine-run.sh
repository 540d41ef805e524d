#!/bin/bash
# Runs one Windows program under Wine in the project's private prefix; the
# cross build's CMAKE_CROSSCOMPILING_EMULATOR, so CTest needs no environment
# of its own.   scripts/wine-run.sh PROGRAM.exe [ARGS...]
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd) || exit 1
# shellcheck source=wine-env.sh
. "$here/wine-env.sh" || exit 1
exec wine "$@"
