#!/usr/bin/env bash
# The launcher's benchmarks (Linux build):
#   - unpack time of the payload through the unzip library against the unzip
#     tool on the same archive (median of RUNS, default 5);
#   - fwlauncher's time from start to the licence viewer running (its question
#     on the terminal), median of RUNS starts, each into a fresh $TMPDIR.
#   bash bench/run_launcher.sh [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
export CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=1
[ -f build/linux/build.ninja ] || cmake --preset linux >/dev/null
cmake --build build/linux -j "${ZANTOR_JOBS:-2}" --target fwlauncher launcher_unpack_bench >/dev/null
build/linux/bin/launcher_unpack_bench build/linux/third_party/unzip/libunzip.so.0 \
  build/linux/launcher/payload.zip "$runs"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
times=()
for i in $(seq "$runs"); do
  t="$work/$i"; mkdir -m 700 "$t"; mkfifo "$t.in"
  start=$(date +%s%N)
  TMPDIR="$t" build/linux/bin/fwlauncher <"$t.in" >"$t.out" 2>&1 &
  pid=$!
  exec 3>"$t.in"
  until grep -q 'y / ' "$t.out" 2>/dev/null; do
    kill -0 "$pid" 2>/dev/null || { echo "fwlauncher ended early" >&2; exit 1; }
    sleep 0.005
  done
  end=$(date +%s%N)
  printf 'n\n' >&3
  exec 3>&-
  wait "$pid"
  times+=($(((end - start) / 1000000)))
done
median=$(printf '%s\n' "${times[@]}" | sort -n | sed -n "$(((runs + 1) / 2))p")
echo "fwlauncher start to viewer running: median ${median} ms of ${runs} (${times[*]} ms)"
