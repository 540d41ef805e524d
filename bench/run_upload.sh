#!/usr/bin/env bash
# Upload throughput over a private veth pair to the board simulator: ours
# (CHTTP on libcurl, the whole body in memory, 8192-byte writes) against the
# curl command-line tool posting the same bytes, in one run; and the peak
# memory of one upload.   bench/run_upload.sh [ROUNDS]
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
build=$repo/build/linux
rounds=${1:-5}
cmake --build "$build" --target upload_bench boardsim >/dev/null
image=$build/resources/l04_05.12.rcc
. "$repo/tests/integration/netns.sh"
ZT_NETNS_ID="upl" zt_netns_setup 1
work=$(mktemp -d)
trap 'zt_netns_cleanup; rm -rf "$work"' EXIT
b=---------------------------7dd1963540348
{ printf -- '--%s\r\nContent-Disposition: form-data; name="rcc"; filename="l04_05.12.rcc"\r\nContent-Type: application/octet-stream\r\n\r\n' "$b"
  cat "$image"; printf '\r\n--%s--\r\n' "$b"; } >"$work/body"
zt_in_sim "$build/bin/boardsim" --log "$work/sim.log" --image "$image" \
  --board ip=10.213.0.11,restart=1 &
for _ in $(seq 50); do grep -q ' ready ' "$work/sim.log" 2>/dev/null && break; sleep 0.1; done
size=$(stat -c %s "$work/body")
ours=() theirs=() rss=()
now() { date +%s.%N; }
for ((r = 0; r < rounds; r++)); do
  t0=$(now)
  out=$(zt_in_host "$build/bin/upload_bench" 10.213.0.11 "$image")
  t1=$(now)
  ours+=("$(echo "$t1 - $t0" | bc -l)")
  rss+=("$(sed -E 's/.*peak_rss_kib=([0-9]+).*/\1/' <<<"$out")")
  sleep 0.2
  t0=$(now)
  zt_in_host curl -s -o /dev/null --noproxy '*' -H 'Expect:' \
    -H "Content-Type: multipart/form-data; boundary=$b" -A curl-bench \
    --data-binary @"$work/body" http://10.213.0.11/fwupdate/cgi-bin/fwupdate.cgi
  t1=$(now)
  theirs+=("$(echo "$t1 - $t0" | bc -l)")
  sleep 0.2
done
accepted=$(grep -c 'answer=200' "$work/sim.log")
best() { printf '%s\n' "$@" | sort -g | head -n1; }
bo=$(best "${ours[@]}") bt=$(best "${theirs[@]}")
printf 'body %d bytes, %d of %d uploads accepted by the board\n' "$size" "$accepted" $((2 * rounds))
printf 'ours: best %.3f s (%.0f MB/s)   curl tool: best %.3f s (%.0f MB/s)   ratio ours/curl %.2f\n' \
  "$bo" "$(echo "$size / $bo / 1000000" | bc -l)" "$bt" "$(echo "$size / $bt / 1000000" | bc -l)" \
  "$(echo "$bo / $bt" | bc -l)"
printf 'peak memory of one upload (max RSS): %d KiB\n' "$(best "${rss[@]}")"
