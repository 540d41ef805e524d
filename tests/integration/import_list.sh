#!/usr/bin/env bash
# `Zantor --import FILE` (and --add, --adapter) against simulated boards
# across a private veth pair. The boards do not answer the search, so what
# reaches them comes from the typed and imported addresses alone: each valid
# address gets exactly one basic-information query, however often and
# however spelt it appears; the boards behind invalid lines get nothing.
#
#   import_list.sh BOARDSIM ZANTOR
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
boardsim=${1:?boardsim path}
zantor=${2:?Zantor path}
. "$here/netns.sh"

ZT_NETNS_ID="${ZT_NETNS_ID:-import}" zt_netns_setup 6 || { echo "FAIL: namespaces"; exit 1; }
work=$(mktemp -d)
trap 'zt_netns_cleanup; rm -rf "$work"' EXIT

boards=()
for i in 11 12 13 14 15 16; do
  boards+=(--board "ip=10.213.0.$i,mac=02:00:00:00:00:$i,version=5.00,type=4.01,fault=nosearch")
done
zt_in_sim "$boardsim" --log "$work/sim.log" "${boards[@]}" &
for _ in $(seq 50); do grep -q ' ready ' "$work/sim.log" 2>/dev/null && break; sleep 0.1; done

# Valid, duplicate, zero-padded, too long, and invalid lines; CR LF ends.
printf '%s\r\n' 10.213.0.11 010.213.000.012 10.213.0.11 '10.213.0.13 ' 10.213.0.256 \
  10.213.0.14.1 10.213.0.00000000000000015 10.213.0.016 >"$work/list.txt"
# A second address on the program's side, chosen with --adapter as a row of
# the adapter dialog would be: every datagram must leave from it.
zt_in_host ip addr add 10.213.0.3/24 dev "$ZT_HOST_IF" || { echo "FAIL: second address"; exit 1; }
# An unreadable file is reported and adds nothing; --add goes the same way
# (before the file, so the file's .12 is a duplicate).
zt_in_host "$zantor" --adapter 10.213.0.3 --import "$work/list.txt" --import "$work/absent.txt" \
  --add 10.213.0.12 --list-seconds 5 >"$work/out" 2>"$work/err"
rc=$?

fail=0
count() {  # count DESCRIPTION N PATTERN FILE
  local n
  n=$(grep -cE -- "$3" "$4")
  if [ "$n" != "$2" ]; then
    echo "FAIL: $1 (expected $2 lines matching: $3, got $n)"
    fail=1
  fi
}
count "one basic query to .11 (listed twice)" 1 'to=10\.213\.0\.11 port=3289 len=14 req=basic' "$work/sim.log"
count "one basic query to .12 (zero-padded, and --add)" 1 'to=10\.213\.0\.12 port=3289 len=14 req=basic' "$work/sim.log"
count "one basic query to .16 (zero-padded)" 1 'to=10\.213\.0\.16 port=3289 len=14 req=basic' "$work/sim.log"
for b in 13 14 15; do
  count "nothing to .$b (invalid or too long line)" 0 "to=10\.213\.0\.$b " "$work/sim.log"
done
count "nothing from the address not chosen" 0 'rx from=10\.213\.0\.2:' "$work/sim.log"
count "the first search from the chosen adapter" 1 'rx from=10\.213\.0\.3:[0-9]+ to=255\.255\.255\.255 .*req=search' \
  <(grep 'req=search' "$work/sim.log" | head -n 1)
count "two new addresses from the file" 1 '^2 address\(es\) added from .*list\.txt$' "$work/out"
count "the unreadable file in the system's words" 1 'absent\.txt.*No such file or directory' "$work/err"
for b in 11 12 16; do
  grep -qE "^  \[x\] .*10\.213\.0\.$b " "$work/out" || { echo "FAIL: no ticked row of .$b"; fail=1; }
done

# 70,000 distinct addresses: the first 65,536 are added, the rest refused
# with a reason, and SIGTERM right after the import ends the run at once.
python3 -c "
for i in range(70000): print('10.%d.%d.%d' % (214 + i // 65536, i // 256 % 256, i % 256))
" >"$work/big.txt"
zt_in_host "$zantor" --import "$work/big.txt" --list-seconds 60 >"$work/big.out" 2>"$work/big.err" &
big=$!
for _ in $(seq 600); do grep -q 'added from' "$work/big.out" 2>/dev/null && break; sleep 0.1; done
count "a big file is capped" 1 '^65536 address\(es\) added from .*big\.txt$' "$work/big.out"
count "the cap says why" 1 'big\.txt holds more than 65536 addresses' "$work/big.err"
kill -TERM "$big" 2>/dev/null
for _ in $(seq 50); do kill -0 "$big" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$big" 2>/dev/null; then echo "FAIL: SIGTERM after a big import"; fail=1; kill -KILL "$big"; fi

if [ $fail -ne 0 ]; then
  echo "--- Zantor output"; cat "$work/out" "$work/err"
  echo "--- simulator log"; grep -v ' ready ' "$work/sim.log" | head -n 40
fi
[ $fail -eq 0 ] && echo "PASS: import through AddManualAddress (rc $rc)"
exit $fail
