#!/usr/bin/env bash
# The console updater's upload over a private veth pair to the board
# simulator: its own client (libcurl, the bytes WinHTTP sends) against the
# curl command-line tool posting the same body with the same headers, in
# turns; then the peak memory of one whole console run (a board at 0.00, so
# nothing but the upload and the divided restart wait).
#   bench/run_cli_upload.sh [ROUNDS]        (root; builds what it needs)
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
build=$repo/build/linux
rounds=${1:-5}
# Under the checkout's build lock, so a build running elsewhere is waited for.
flock "$repo/.build.lock" cmake --build "$build" --target cli_upload_bench boardsim fwlauncher >/dev/null
image=$build/resources/l04_05.12.rcc
. "$repo/tests/integration/netns.sh"
ZT_NETNS_ID="cliup" zt_netns_setup 1
work=$(mktemp -d)
trap 'zt_netns_cleanup; rm -rf "$work"' EXIT
b=----Boundary12345
cp "$image" "$work/l04_05.12.rcc"
{ printf -- '--%s\r\nContent-Disposition: form-data; name="rcc"; filename="l04_05.12.rcc"\r\nContent-Type: application/octet-stream\r\n\r\n' "$b"
  cat "$image"; printf '\r\n--%s--\r\n' "$b"; } >"$work/body"
zt_in_sim "$build/bin/boardsim" --log "$work/sim.log" --image "$image" --boundary "$b" \
  --board ip=10.213.0.11,restart=1,version=0.00,newversion=0.00 &
for _ in $(seq 50); do grep -q ' ready ' "$work/sim.log" 2>/dev/null && break; sleep 0.1; done
size=$(stat -c %s "$work/body")
ours=() theirs=() rss=() inner=() tool_inner=()
now() { date +%s.%N; }
for ((r = 0; r < rounds; r++)); do
  t0=$(now)
  out=$(cd "$work" && zt_in_host "$build/bin/cli_upload_bench" 10.213.0.11 l04_05.12.rcc 2>&1 >/dev/null)
  t1=$(now)
  ours+=("$(echo "$t1 - $t0" | bc -l)")
  rss+=("$(sed -E 's/.*peak_rss_kib=([0-9]+).*/\1/' <<<"$out")")
  inner+=("$(sed -E 's/.*seconds=([0-9.]+).*/\1/' <<<"$out")")
  sleep 0.2
  t0=$(now)
  tool_inner+=("$(zt_in_host curl -s -o /dev/null -w '%{time_total}' --noproxy '*' -H 'Expect:' \
    -H "Content-Type: multipart/form-data; boundary=$b" -A FileUploader/1.0 \
    --data-binary @"$work/body" http://10.213.0.11/fwupdate/cgi-bin/fwupdate.cgi)")
  t1=$(now)
  theirs+=("$(echo "$t1 - $t0" | bc -l)")
  sleep 0.2
done
accepted=$(grep -c 'answer=200' "$work/sim.log")
best() { printf '%s\n' "$@" | sort -g | head -n1; }
bo=$(best "${ours[@]}") bt=$(best "${theirs[@]}")
printf 'body %d bytes, %d of %d uploads accepted by the board\n' "$size" "$accepted" $((2 * rounds))
printf 'console upload: best %.3f s (%.0f MB/s)   curl tool: best %.3f s (%.0f MB/s)   ratio %.3f\n' \
  "$bo" "$(echo "$size / $bo / 1000000" | bc -l)" "$bt" "$(echo "$size / $bt / 1000000" | bc -l)" \
  "$(echo "$bo / $bt" | bc -l)"
bi=$(best "${inner[@]}") bti=$(best "${tool_inner[@]}")
printf 'inside the processes: console upload (file read, connect, send, answer) best %.3f s;' "$bi"
printf ' curl tool (time_total) best %.3f s; ratio %.3f\n' "$bti" "$(echo "$bi / $bti" | bc -l)"
printf 'peak memory of the upload alone (max RSS): %d KiB\n' "$(best "${rss[@]}")"
# A whole console run: unpacking, query, upload, the restart wait divided by 1000.
mkdir -p "$work/tmp"
/usr/bin/time -f '%M' -o "$work/time" env TMPDIR="$work/tmp" ZANTOR_TIME_SCALE=1000 \
  ip netns exec "$ZT_NS_HOST" "$build/bin/fwlauncher" -e10.213.0.11 >"$work/run.out" 2>&1 || true
printf 'peak memory of a whole console run (max RSS): %s KiB, exit line: %s\n' \
  "$(tail -n1 "$work/time")" "$(grep 'Exit Code' "$work/run.out" | tr -s ' ')"
