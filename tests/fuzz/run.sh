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
sources=(
  tests/fuzz/reply_fuzz.cc
  tests/support/fake_http.cc tests/support/fake_udp.cc tests/support/form_harness.cc tests/support/reply_builder.cc
  tests/support/virtual_loop.cc updater/ui/headless_view.cc
  updater/protocol/device.cc updater/protocol/device_channel.cc updater/protocol/frames.cc
  updater/protocol/reply_decoder.cc updater/protocol/reply_parser.cc updater/protocol/udp.cc
  updater/ui/main_form.cc updater/ui/texts.cc updater/ui/texts_en.cc updater/ui/texts_ja.cc
)
bin="$out/reply_fuzz"
newest=$(cd "$src" && ls -t "${sources[@]}" | head -n1)
if [ ! -x "$bin" ] || [ "$src/$newest" -nt "$bin" ]; then
  (cd "$src" && clang++ -std=c++17 -O1 -g -I. -fsanitize=fuzzer,address,undefined \
    -fno-sanitize-recover=undefined "${sources[@]}" -o "$bin")
fi
# Seeds: a classic reply, a newer one, a model reply, a status reply.
printf '\x01\x17KAVROp\x00\x00\x00\x00\x00\x00\x00\x36QJ-L' > "$out/corpus/seed1"
printf '\x02\x06KAVROq\x03\x00\x00\x10\x00\x00\x00\x01\x10' > "$out/corpus/seed2"
"$bin" -max_total_time="$secs" -max_len=2048 -print_final_stats=1 "$out/corpus" 2>&1 | tail -n 12
