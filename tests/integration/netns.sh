# shellcheck shell=bash
# Network namespaces for tests that search for boards or use board addresses.
# Source this file, then:
#
#   zt_netns_setup [BOARD_ADDRS]   # BOARD_ADDRS: 0..2000 extra addresses in the sim namespace
#   zt_in_sim  CMD...               # run CMD in the simulator's namespace
#   zt_in_host CMD...               # run CMD in the namespace of the program under test
#
# After setup:
#   ZT_NS_SIM=zt-sim-<id>   10.213.0.1/24 on zt0, plus ZT_BOARD_IPS (10.213.0.11, .12, ...
#                           .254; past 244 boards 10.213.1.1 ... .254, 10.213.2.1 ..., which
#                           the host namespace reaches through its default route)
#   ZT_NS_HOST=zt-host-<id> 10.213.0.2/24 on zt1, default route on zt1, so a
#                           broadcast to 255.255.255.255 leaves there and reaches
#                           the sim namespace (and nothing else: the pair is closed)
#   <id> is ZT_NETNS_ID (a label, default "t") plus the sourcing shell's PID and a
#   random suffix, so two runs on one machine never share or delete each
#   other's namespaces.
#
# zt_netns_cleanup kills every process still inside the two namespaces and deletes
# them; setup registers it for EXIT, INT and TERM. A caller that needs its own EXIT
# trap must call zt_netns_cleanup from it.

ZT_SIM_IF=zt0
ZT_HOST_IF=zt1
ZT_SIM_IP=10.213.0.1
ZT_HOST_IP=10.213.0.2
ZT_PREFIX_LEN=24
ZT_BROADCAST_IP=10.213.0.255
ZT_BOARD_IPS=()
ZT_NS_SIM=
ZT_NS_HOST=

zt_in_sim() { ip netns exec "$ZT_NS_SIM" "$@"; }
zt_in_host() { ip netns exec "$ZT_NS_HOST" "$@"; }

_zt_kill_ns_procs() {
    local ns=$1 pids
    pids=$(ip netns pids "$ns" 2>/dev/null) || return 0
    [ -n "$pids" ] || return 0
    # shellcheck disable=SC2086
    kill -TERM $pids 2>/dev/null
    for _ in 1 2 3 4 5 6 7 8 9 10; do
        pids=$(ip netns pids "$ns" 2>/dev/null)
        [ -z "$pids" ] && return 0
        sleep 0.1
    done
    # shellcheck disable=SC2086
    kill -KILL $pids 2>/dev/null
    return 0
}

zt_netns_cleanup() {
    local ns
    for ns in "$ZT_NS_SIM" "$ZT_NS_HOST"; do
        [ -n "$ns" ] || continue
        if ip netns list 2>/dev/null | grep -qw -- "$ns"; then
            _zt_kill_ns_procs "$ns"
            ip netns del "$ns" 2>/dev/null
        fi
    done
    ZT_NS_SIM=
    ZT_NS_HOST=
}

zt_netns_setup() {
    local count=${1:-0} i batch id
    id="${ZT_NETNS_ID:-t}-$$-$(od -An -N3 -tx1 /dev/urandom | tr -d ' \n')"
    if ! [[ "$count" =~ ^[0-9]+$ ]] || [ "$count" -gt 2000 ]; then
        echo "zt_netns_setup: board address count must be 0..2000, got '$count'" >&2
        return 1
    fi
    ZT_NS_SIM=zt-sim-$id
    ZT_NS_HOST=zt-host-$id
    trap zt_netns_cleanup EXIT
    trap 'exit 130' INT
    trap 'exit 143' TERM

    ip netns add "$ZT_NS_SIM" || return 1
    ip netns add "$ZT_NS_HOST" || { zt_netns_cleanup; return 1; }
    # The pair is created inside the sim namespace with its peer put straight into
    # the host namespace, so no interface ever exists in the machine's own namespace.
    if ! ip -n "$ZT_NS_SIM" link add "$ZT_SIM_IF" type veth peer name "$ZT_HOST_IF" netns "$ZT_NS_HOST"; then
        zt_netns_cleanup
        return 1
    fi

    ZT_BOARD_IPS=()
    batch="link set lo up
link set $ZT_SIM_IF up
address add $ZT_SIM_IP/$ZT_PREFIX_LEN broadcast $ZT_BROADCAST_IP dev $ZT_SIM_IF"
    local ip
    for ((i = 0; i < count; i++)); do
        if ((i < 244)); then
            ip=10.213.0.$((11 + i))
        else
            ip=10.213.$((1 + (i - 244) / 254)).$((1 + (i - 244) % 254))
        fi
        ZT_BOARD_IPS+=("$ip")
        batch+="
address add $ip/32 dev $ZT_SIM_IF"
    done
    if ! printf '%s\n' "$batch" | ip -n "$ZT_NS_SIM" -batch - ||
        ! printf '%s\n' "link set lo up" "link set $ZT_HOST_IF up" \
            "address add $ZT_HOST_IP/$ZT_PREFIX_LEN broadcast $ZT_BROADCAST_IP dev $ZT_HOST_IF" \
            "route add default via $ZT_SIM_IP dev $ZT_HOST_IF" | ip -n "$ZT_NS_HOST" -batch -; then
        zt_netns_cleanup
        return 1
    fi
    export ZT_NS_SIM ZT_NS_HOST ZT_SIM_IP ZT_HOST_IP ZT_BROADCAST_IP ZT_SIM_IF ZT_HOST_IF
}
