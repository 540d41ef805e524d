#!/usr/bin/env bash
# Refresh-to-listed time for N simulated boards over a private veth pair.
#   bench/run_listing.sh [N...]    (default: 3 250)
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
bin=$repo/build/linux
cmake --build "$bin" --target listing_bench boardsim >/dev/null
. "$repo/tests/integration/netns.sh"
for n in "${@:-3 250}"; do
  for count in $n; do
    ZT_NETNS_ID="bench" zt_netns_setup "$((count > 244 ? 244 : count))"
    conf=$(mktemp)
    for ((i = 0; i < count; i++)); do
      # Past the 244 addresses of the pair's /24, boards live in 10.213.1.x,
      # reached through the host namespace's default route.
      if ((i < 244)); then
        ip=${ZT_BOARD_IPS[$i]}
      else
        ip=10.213.1.$((i - 243))
        ip -n "$ZT_NS_SIM" address add "$ip/32" dev "$ZT_SIM_IF"
      fi
      printf 'ip=%s,mac=02:00:00:01:%02X:%02X,version=5.00\n' "$ip" $((i / 256)) $((i % 256)) >>"$conf"
    done
    log=$(mktemp)
    zt_in_sim "$bin/tools/boardsim/boardsim" --log "$log" --config "$conf" &
    for _ in $(seq 50); do grep -q ' ready ' "$log" 2>/dev/null && break; sleep 0.1; done
    zt_in_host "$bin/bench/listing_bench" "$count" 5 | grep -v IfType
    zt_netns_cleanup
    rm -f "$conf" "$log"
  done
done
