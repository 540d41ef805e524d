#!/usr/bin/env bash
# The real UDP endpoint against three simulated boards across a veth pair:
# the search leaves the chosen local address as one 14-byte broadcast, every
# board's reply reaches the parser with the right fields, and the unicast
# queries that follow reach the right boards.
#
#   discovery.sh BOARDSIM PROBE [wine]
# With "wine" the probe is a Windows .exe run under Wine inside the namespace.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
boardsim=${1:?boardsim path}
probe=${2:?probe path}
mode=${3:-native}
. "$here/netns.sh"

ZT_NETNS_ID="${ZT_NETNS_ID:-disc$mode}" zt_netns_setup 3 || { echo "FAIL: namespaces"; exit 1; }
work=$(mktemp -d)
trap 'zt_netns_cleanup; rm -rf "$work"' EXIT

zt_in_sim "$boardsim" --log "$work/sim.log" \
  --board ip=10.213.0.11,mac=02:00:00:00:00:11,version=5.10,type=4.01 \
  --board ip=10.213.0.12,mac=02:00:00:00:00:12,version=5.12,type=4.01,status=0x10 \
  --board ip=10.213.0.13,mac=02:00:00:00:00:13,form=newer,kind=4,version=5.0A,model=QJ-L04,printer=TM-X9 &
for _ in $(seq 50); do grep -q ' ready ' "$work/sim.log" 2>/dev/null && break; sleep 0.1; done

if [ "$mode" = wine ]; then
  zt_in_host "$repo/scripts/wine-run.sh" "$probe" --ms 3000 --follow >"$work/probe.out" 2>"$work/probe.err"
else
  zt_in_host "$probe" --ms 1500 --follow >"$work/probe.out" 2>"$work/probe.err"
fi
rc=$?
tr -d '\r' <"$work/probe.out" >"$work/out"

fail=0
expect() {  # expect DESCRIPTION PATTERN FILE
  if ! grep -qE -- "$2" "$3"; then
    echo "FAIL: $1 (no line matching: $2)"
    fail=1
  fi
}
count() {  # count DESCRIPTION N PATTERN FILE
  local n
  n=$(grep -cE -- "$3" "$4")
  if [ "$n" != "$2" ]; then
    echo "FAIL: $1 (expected $2 lines matching: $3, got $n)"
    fail=1
  fi
}
[ $rc -eq 0 ] || { echo "FAIL: probe exited with $rc"; fail=1; }
expect "local address diagnostic" '^0 6 IfType 6$' "$work/out"
expect "bound to the veth address" '^bind 10\.213\.0\.2$' "$work/out"
count "one search broadcast from the chosen address" 1 \
  'rx from=10\.213\.0\.2:[0-9]+ to=255\.255\.255\.255 port=3289 len=14 req=search' "$work/sim.log"
count "no other datagram to the broadcast address" 1 'to=255\.255\.255\.255' "$work/sim.log"
expect "classic board" \
  '^reply from=10\.213\.0\.11 kind=p group=0 command=0x0000 result=0x0000 length=54 prefix=QJ-L type=4\.01 version=5\.10 mac=02:00:00:00:00:11 kindbyte=0$' "$work/out"
expect "second classic board" \
  '^reply from=10\.213\.0\.12 kind=p .* version=5\.12 mac=02:00:00:00:00:12' "$work/out"
expect "newer board" \
  '^reply from=10\.213\.0\.13 kind=p group=0 command=0x0000 result=0xE000 length=62 .* version=5\.0A mac=02:00:00:00:00:13 kindbyte=4$' "$work/out"
for b in 11 12 13; do
  expect "basic query answered by .$b" "^reply from=10\.213\.0\.$b kind=q group=0 command=0x0000" "$work/out"
  count "one basic query reached .$b" 1 "to=10\.213\.0\.$b port=3289 len=14 req=basic" "$work/sim.log"
done
expect "model reply" '^reply from=10\.213\.0\.13 kind=q group=3 command=0x0001 .* mac=02:00:00:00:00:13 model=QJ-L04 printer=TM-X9$' "$work/out"
expect "ready board" '^reply from=10\.213\.0\.11 kind=q group=3 command=0x0010 .* status=0x00 ready=1$' "$work/out"
expect "not-ready board" '^reply from=10\.213\.0\.12 kind=q group=3 command=0x0010 .* status=0x10 ready=0$' "$work/out"
expect "all replies counted" '^replies 12$' "$work/out"

if [ $fail -ne 0 ]; then
  echo "--- probe output"; cat "$work/out"; echo "--- probe stderr"; tail -n 20 "$work/probe.err"
  echo "--- simulator log"; cat "$work/sim.log"
  exit 1
fi
echo "discovery ($mode): 3 boards found, 12 replies parsed"
