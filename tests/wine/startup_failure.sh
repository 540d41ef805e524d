#!/usr/bin/env bash
# Zantor.exe started by the deployment tool (automatic mode) on a PC whose
# temporary directory cannot take its files: a file named ZANTOR stands
# where the staging directory belongs. Nothing may be shown (a box would
# hold the run for ever), the reason goes to the debug trace, and the tool
# still gets the final message with 402. The board's address is a loopback
# one, so even a run that wrongly got past staging reaches nothing outside
# this machine (automatic mode sends no search).
#
#   startup_failure.sh ZANTOR.exe PIPESERVER.exe
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
zantor=${1:?Zantor.exe} pipeserver=${2:?pipeserver.exe}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/tmp"
echo "not a directory" >"$work/tmp/ZANTOR"

# One display for both programs (Wine's desktop process serves them all);
# a wineserver left from a run without a display is waited out first.
cat >"$work/run.sh" <<EOF
set -u
. "$repo/scripts/wine-env.sh" || exit 90
wine "$pipeserver" --log "$work/pipe.log" --reply 7 --exit-after-final --duration 60000 &
for _ in \$(seq 100); do grep -q ready "$work/pipe.log" 2>/dev/null && break; sleep 0.1; done
tmp=\$(winepath -w "$work/tmp")
# Wine sets TMP and TEMP from its registry for programs started from
# Linux; a Windows parent's own environment is passed on as it is.
program=\$(winepath -w "$zantor")
timeout 60 wine cmd /c "set TMP=\$tmp&& set TEMP=\$tmp&& \$program 127.0.0.86" \
  >"$work/out" 2>"$work/err"
echo \$? >"$work/rc"
wait
EOF
. "$repo/scripts/wine-env.sh" >/dev/null 2>&1 && wineserver -w
ZANTOR_WINEDEBUG="-all,+debugstr" xvfb-run -a -s "-screen 0 1024x768x24" bash "$work/run.sh"

rc=$(cat "$work/rc" 2>/dev/null || echo none)
[ -f "$work/pipe.log" ] && sed -i 's/\r$//' "$work/pipe.log"
fail=0
check() { "$@" || { echo "FAIL: $*"; fail=1; }; }
# 124 would be the deadline: the run waited for a click on a box.
check test "$rc" = $((402 & 255))
check grep -q 'kind=2 scale=1000 value=402$' "$work/pipe.log"
check test "$(grep -c 'kind=' "$work/pipe.log")" -eq 1
check grep -q 'Zantor: .*ZANTOR' "$work/err"
tr -d '\r' <"$work/out" | grep -q '^Read Data 7$' || { echo "FAIL: no 'Read Data 7'"; fail=1; }
# The file in the way is another program's: left as it was.
check grep -q 'not a directory' "$work/tmp/ZANTOR"
if [ $fail -ne 0 ]; then
  echo "--- exit $rc"; echo "--- output"; cat "$work/out" "$work/err" | grep -v '^$' | tail -n 20
  echo "--- pipe log"; cat "$work/pipe.log" 2>/dev/null
  exit 1
fi
echo "startup failure (wine): exit $rc, final 402 delivered, reason traced"
