#!/usr/bin/env bash
# Builds the console updater's reply and option fuzzer with clang's
# libFuzzer and runs it briefly.   tests/fuzz/run_cli.sh BUILD_DIR [SECONDS]
set -euo pipefail
src=$(cd "$(dirname "$0")/../.." && pwd)
out=${1:?build dir}/fuzz
secs=${2:-5}
mkdir -p "$out/cli_corpus"
command -v clang++ >/dev/null || { echo "clang++ not installed" >&2; exit 1; }
sources=(tests/fuzz/cli_reply_fuzz.cc launcher/cli/reply_check.cc launcher/cli/options.cc
         platform/terminal_text.cc
         updater/protocol/frames.cc)
bin="$out/cli_reply_fuzz"
newest=$(cd "$src" && ls -t "${sources[@]}" launcher/cli/*.h | head -n1)
if [ ! -x "$bin" ] || [ "$src/$newest" -nt "$bin" ]; then
  (cd "$src" && clang++ -std=c++17 -O1 -g -I. -fsanitize=fuzzer,address,undefined \
    -fno-sanitize-recover=undefined "${sources[@]}" -o "$bin")
fi
# Seeds: a basic reply to a query, an extended search reply, a command line.
printf 'KAVROq\x00\x00\x00\x00\x00\x00\x00\x36QJ-L' >"$out/cli_corpus/seed1"
printf 'KAVROp\x03\x00\x00\x01\x00\x00\x00\x06\x02\x00\x0a\x00\x00\x0bQJ-L04' >"$out/cli_corpus/seed2"
printf -- '-e10.0.0.1 -target_ver:5.00 -proxy=a -curl -all' >"$out/cli_corpus/seed3"
"$bin" -max_total_time="$secs" -max_len=1024 -print_final_stats=1 "$out/cli_corpus" 2>&1 | tail -n 8
