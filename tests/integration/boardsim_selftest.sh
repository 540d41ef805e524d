#!/usr/bin/env bash
# Checks the board simulator over a real (namespaced) network: broadcast and
# unicast requests, reply bytes and source addresses and ports, fault modes,
# garbage input, run-time control and clean exit; then the firmware upload on
# port 80: the checked body, the answers and faults, the restart and the new
# version, and clients that misbehave.
#
# usage: boardsim_selftest.sh [PATH_TO_BOARDSIM]   (or BOARDSIM=...)
# exit: 0 passed, 1 failed, 77 skipped (not root or no network namespaces)
set -u

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
bin=${1:-${BOARDSIM:-}}
if [ -z "$bin" ] || [ ! -x "$bin" ]; then
    echo "FAIL: boardsim binary not found ('$bin'); pass its path as the first argument"
    exit 1
fi
bin=$(cd "$(dirname "$bin")" && pwd)/$(basename "$bin")
if [ "$(id -u)" != 0 ]; then
    echo "SKIP: network namespaces need root"
    exit 77
fi

# shellcheck source=netns.sh
source "$here/netns.sh"
work=$(mktemp -d /tmp/boardsim-selftest.XXXXXX)
cleanup() {
    zt_netns_cleanup
    rm -rf "$work"
}
if ! zt_netns_setup 6; then
    rm -rf "$work"
    echo "SKIP: cannot create network namespaces"
    exit 77
fi
trap cleanup EXIT

failed=0

# run_phase NAME BOARDSIM_ARGS...: starts the simulator in the sim namespace,
# runs the client checks of NAME from the host namespace, then stops it.
run_phase() {
    local name=$1 log=$work/$1.log pid rc i
    shift
    : >"$work/control"
    ip netns exec "$ZT_NS_SIM" "$bin" --log "$log" --control "$work/control" --duration 60000 "$@" 2>"$work/$name.err" &
    pid=$!
    for ((i = 0; i < 50; i++)); do
        grep -q " ready " "$log" 2>/dev/null && break
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    if ! grep -q " ready " "$log" 2>/dev/null; then
        echo "FAIL: [$name] boardsim did not become ready"
        cat "$work/$name.err"
        failed=1
        kill "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
        return
    fi

    if ! zt_in_host python3 "$here/boardsim_selftest.py" "$name" --log "$log" --pid "$pid" \
        --control "$work/control" --work "$work"; then
        echo "FAIL: [$name] client checks failed; simulator log tail:"
        tail -n 40 "$log"
        failed=1
    fi

    kill -TERM "$pid" 2>/dev/null
    wait "$pid"
    rc=$?
    if [ "$rc" != 0 ] || [ "$(tail -n 1 "$log" | cut -d' ' -f2-)" != "exit reason=signal" ]; then
        echo "FAIL: [$name] boardsim did not exit cleanly on SIGTERM (rc=$rc, last line: $(tail -n 1 "$log"))"
        failed=1
    fi
    if [ -s "$work/$name.err" ]; then
        echo "FAIL: [$name] boardsim wrote to stderr:"
        cat "$work/$name.err"
        failed=1
    fi
}

run_phase main \
    --board ip=10.213.0.11,mac=02:00:00:00:00:11,version=5.10,type=4,form=classic \
    --board "ip=10.213.0.12,mac=02:00:00:00:00:12,form=newer,kind=4,version=5.12,model=QJ-W03,printer=Front desk,serial=K12345,status=0x10" \
    --board ip=10.213.0.13,mac=02:00:00:00:00:13,version=A.05,type=1.00,model=QJ-L01,fault=wrongport

cat >"$work/faults.conf" <<'EOF'
# the fault phase's boards, given as a config file
board ip=10.213.0.11,fault=truncated
ip=10.213.0.12,fault=trailing,trail=2
board ip=10.213.0.13,mac=02:00:00:00:00:13,fault=nostatus
board ip=10.213.0.13,mac=02:00:00:00:00:99
board ip=10.213.0.14,delay=300
board ip=10.213.0.15,fault=silent
EOF
run_phase faults --config "$work/faults.conf"

# The real image's size, random bytes: the upload is checked byte by byte.
head -c 17825885 /dev/urandom >"$work/image.rcc"
run_phase http --image "$work/image.rcc" --http-timeout 1500 \
    --board ip=10.213.0.11,restart=2000 \
    --board ip=10.213.0.12,http=500 \
    --board ip=10.213.0.13,http=refuse \
    --board ip=10.213.0.14,http=reset \
    --board ip=10.213.0.15,newversion=0.00,restart=800,rate=8000000 \
    --board ip=10.213.0.16,http=noanswer
rm -f "$work"/image.rcc "$work"/good "$work"/flipped "$work"/srom1

# A board outside loopback must refuse to run outside a namespace of its own.
if "$bin" --board ip=10.213.0.11 --duration 0 2>/dev/null; then
    echo "FAIL: boardsim ran with a non-loopback board in the machine's own namespace"
    failed=1
fi

if [ "$failed" = 0 ]; then
    echo "PASS: boardsim self-test"
fi
exit "$failed"
