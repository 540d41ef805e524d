#!/usr/bin/env bash
# Builds the reply fuzzer with clang's libFuzzer and runs it briefly.
#   tests/fuzz/run.sh BUILD_DIR [SECONDS]
set -euo pipefail
src=$(cd "$(dirname "$0")/../.." && pwd)
out=${1:?build dir}/fuzz
secs=${2:-10}
mkdir -p "$out/corpus"
if ! command -v clang++ >/dev/null; then
  echo "clang++ not installed" >&2
  exit 1
fi
# The core, the POSIX platform layer and the test support, as the unit
# tests link them, compiled again with the fuzzer's instrumentation.
mapfile -t sources < <(cd "$src" && ls tests/fuzz/reply_fuzz.cc tests/support/*.cc \
  updater/protocol/*.cc updater/update/*.cc updater/ui/*.cc updater/update/progress_message.cc \
  platform/*.cc platform/posix/*.cc)
bin="$out/reply_fuzz"
newest=$(cd "$src" && ls -t "${sources[@]}" | head -n1)
if [ ! -x "$bin" ] || [ "$src/$newest" -nt "$bin" ]; then
  (cd "$src" && clang++ -std=c++17 -O1 -g -I. -fsanitize=fuzzer,address,undefined \
    -fno-sanitize-recover=undefined "${sources[@]}" -lcurl -o "$bin")
fi
# Seeds: a classic reply, a newer one, a model reply, a status reply.
printf '\x01\x17KAVROp\x00\x00\x00\x00\x00\x00\x00\x36QJ-L' > "$out/corpus/seed1"
printf '\x02\x06KAVROq\x03\x00\x00\x10\x00\x00\x00\x01\x10' > "$out/corpus/seed2"
"$bin" -max_total_time="$secs" -max_len=2048 -print_final_stats=1 "$out/corpus" 2>&1 | tail -n 12
