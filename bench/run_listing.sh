#!/usr/bin/env bash
# Refresh-to-listed time for N simulated boards over a private veth pair.
#   bench/run_listing.sh [N...]    (default: 3 250 1000)
# Past 244 boards the addresses leave the pair's /24 (10.213.1.x, 10.213.2.x ...) and are
# reached through the host namespace's default route.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
build=${ZT_BUILD:-$repo/build/linux}  # another build tree, to compare
cmake --build "$build" --target listing_bench boardsim >/dev/null
sim=${ZT_BOARDSIM:-$build/bin/boardsim}  # the simulator: the same for both trees when compared
. "$repo/tests/integration/netns.sh"
for n in "${@:-3 250 1000}"; do
  for count in $n; do
    ZT_NETNS_ID="bench" zt_netns_setup "$count"
    conf=$(mktemp)
    for ((i = 0; i < count; i++)); do
      printf 'ip=%s,mac=02:00:00:01:%02X:%02X,version=5.00\n' "${ZT_BOARD_IPS[$i]}" \
        $((i / 256)) $((i % 256)) >>"$conf"
    done
    log=$(mktemp)
    zt_in_sim "$sim" --log "$log" --config "$conf" &
    for _ in $(seq 50); do grep -q ' ready ' "$log" 2>/dev/null && break; sleep 0.1; done
    zt_in_host "$build/bin/listing_bench" "$count" 5 | grep -v IfType
    zt_netns_cleanup
    rm -f "$conf" "$log"
  done
done
