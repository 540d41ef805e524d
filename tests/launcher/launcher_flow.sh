#!/usr/bin/env bash
# fwlauncher with no argument on Linux, end to end: start-up progress on the
# terminal, the payload unpacked into a private $TMPDIR/ZANTOR, the real Terma
# from it, and the tree gone afterwards.
#
#   launcher_flow.sh FWLAUNCHER BOARDSIM
#
# Cases: Do not agree (English and Japanese); a second start while the lock
# is held (1100, nothing shown, nothing touched); an unpack directory that is
# not private (refused, nothing touched); Agree in network namespaces, where
# the unpacked Zantor finds one simulated board and lists it.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
fwlauncher=$(readlink -f "${1:?fwlauncher path}")
boardsim=$(readlink -f "${2:?boardsim path}")
. "$here/../integration/netns.sh"

work=$(mktemp -d)
chmod 700 "$work"
cleanup() {
  zt_netns_cleanup 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail=0
check() {  # check DESCRIPTION COMMAND...
  if ! "${@:2}"; then
    echo "FAIL: $1"
    fail=1
  fi
}
has() { grep -qF -- "$1" "$2"; }

# --- Do not agree, English. --------------------------------------------------
t="$work/en"; mkdir -m 700 "$t"
printf 'n\n' | TMPDIR="$t" LANG=en_GB.UTF-8 LC_ALL= timeout 60 "$fwlauncher" >"$t.out" 2>"$t.err"
rc=$?
check "decline: exit code 0 (was $rc)" [ $rc -eq 0 ]
check "decline: start-up text" has "Loading...Please wait a moment." "$t.out"
check "decline: a bar of 35 steps" grep -qE '^\[[#.]{35}\]' <(tr '\r' '\n' <"$t.out")
check "decline: Terma's English title" has "Kavro Network Firmware Updater - Licence Agreement" "$t.out"
check "decline: the licence text" has "4. The Software is provided as it is" "$t.out"
check "decline: the question with both answers" has "[Agree = y / Do not agree = n]" "$t.out"
check "decline: ZANTOR removed" [ ! -e "$t/ZANTOR" ]
check "decline: nothing on standard error" [ ! -s "$t.err" ]

# --- Do not agree, Japanese. -------------------------------------------------
t="$work/ja"; mkdir -m 700 "$t"
printf 'n\n' | TMPDIR="$t" LANG=ja_JP.UTF-8 LC_ALL= timeout 60 "$fwlauncher" >"$t.out" 2>&1
rc=$?
check "japanese: exit code 0 (was $rc)" [ $rc -eq 0 ]
check "japanese: Japanese title" has "使用許諾契約" "$t.out"
check "japanese: Japanese answers" has "[同意する = y / 同意しない = n]" "$t.out"
check "japanese: ZANTOR removed" [ ! -e "$t/ZANTOR" ]

# --- A second start while another holds the lock. ----------------------------
t="$work/second"; mkdir -m 700 "$t"
mkdir -m 700 "$t/ZANTOR"; echo mine >"$t/ZANTOR/marker"
# The lock is the unpack directory itself.
printf 'n\n' | TMPDIR="$t" flock "$t/ZANTOR" \
  timeout 60 "$fwlauncher" >"$t.out" 2>&1
rc=$?
# 1100 as a Linux exit status is 1100 mod 256.
check "second start: 1100 (was $rc)" [ $rc -eq $((1100 % 256)) ]
check "second start: shows nothing" [ ! -s "$t.out" ]
check "second start: the other's tree untouched" [ "$(ls "$t/ZANTOR")" = marker ]

# --- An unpack directory that others may write. -------------------------------
t="$work/open"; mkdir -m 700 "$t"
mkdir -m 777 "$t/ZANTOR"
printf 'n\n' | TMPDIR="$t" timeout 60 "$fwlauncher" >"$t.out" 2>"$t.err"
rc=$?
check "open directory: 1102 (was $rc)" [ $rc -eq $((1102 % 256)) ]
check "open directory: says why" has "is writable by other users" "$t.err"
check "open directory: nothing written" [ -z "$(ls -A "$t/ZANTOR")" ]

# --- Agree: the unpacked Zantor runs and finds a simulated board. --------------
ZT_NETNS_ID="${ZT_NETNS_ID:-lflow}" zt_netns_setup 1 || { echo "FAIL: namespaces"; exit 1; }
trap cleanup EXIT
zt_in_sim "$boardsim" --log "$work/sim.log" \
  --board ip=10.213.0.11,mac=02:00:00:00:00:11,version=5.10,type=4.01 &
for _ in $(seq 50); do grep -q ' ready ' "$work/sim.log" 2>/dev/null && break; sleep 0.1; done
t="$work/agree"; mkdir -m 700 "$t"
mkfifo "$t.in"
zt_in_host env TMPDIR="$t" LANG=C timeout 120 "$fwlauncher" <"$t.in" >"$t.out" 2>&1 &
launcher=$!
exec 3>"$t.in"
printf 'y\n' >&3
# Zantor prints the board once it has found it.
for _ in $(seq 200); do grep -q '10\.213\.0\.11' "$t.out" 2>/dev/null && break; sleep 0.1; done
check "agree: Zantor from the payload lists the board" grep -q '10\.213\.0\.11' "$t.out"
zantor=$(pgrep -f "^$t/ZANTOR/res/Zantor" | head -1)
check "agree: Zantor runs from the unpacked tree" [ -n "$zantor" ]
check "agree: the launcher waits for Terma, which waits for Zantor" kill -0 "$launcher"
# Ctrl+C reaches every process of the terminal's group: Zantor ends, the
# viewer and the launcher wait it out and clean up.
fw=$(pgrep -P "$launcher" | head -1)
terma=$(pgrep -P "${fw:-0}" | head -1)
[ -n "$zantor" ] && kill -INT "$zantor" $terma $fw
exec 3>&-
wait "$launcher"
rc=$?
check "agree: exit code 0 (was $rc)" [ $rc -eq 0 ]
check "agree: ZANTOR removed" [ ! -e "$t/ZANTOR" ]

if [ $fail -ne 0 ]; then
  for f in "$work"/*.out "$work"/*.err; do echo "--- $f"; head -c 3000 "$f"; done
  exit 1
fi
echo "PASS: launcher flow"
