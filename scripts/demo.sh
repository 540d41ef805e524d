#!/usr/bin/env bash
# The main job on its built-in default, from a fresh machine: simulated
# boards on a private veth link, and Zantor finding and listing them.
# Needs root (network namespaces); nothing leaves this machine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh >/dev/null
[ -f build/linux/build.ninja ] || cmake --preset linux >/dev/null
cmake --build --preset linux -j "$(nproc)" --target Zantor boardsim >/dev/null

. tests/integration/netns.sh
ZT_NETNS_ID="demo$$" zt_netns_setup 4
log=$(mktemp)
trap 'zt_netns_cleanup; rm -f "$log"' EXIT
echo "Simulated boards on 10.213.0.11-14 (namespace $ZT_NS_SIM):"
echo "  .11 wired QJ-L04 5.00 (older: pre-ticked)   .12 wired QJ-L04 5.12 (current)"
echo "  .13 wired QJ-L04 4.10, printer not ready     .14 wireless QJ-L04 (newer form)"
zt_in_sim build/linux/tools/boardsim/boardsim --log "$log" \
  --board ip=10.213.0.11,version=5.00 \
  --board ip=10.213.0.12,version=5.12 \
  --board ip=10.213.0.13,version=4.10,ready=0 \
  --board ip=10.213.0.14,form=newer,kind=4,model=QJ-L04,version=5.10 &
for _ in $(seq 50); do grep -q ' ready ' "$log" 2>/dev/null && break; sleep 0.1; done
echo
zt_in_host build/linux/Zantor --list-seconds "${ZANTOR_DEMO_SECONDS:-5}"
