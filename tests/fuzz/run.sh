#!/usr/bin/env bash
# Builds one fuzzer with clang's libFuzzer and runs it briefly.
#   tests/fuzz/run.sh BUILD_DIR [SECONDS] [TARGET]
# TARGET: reply (default), settings, container, http_answer
set -euo pipefail
src=$(cd "$(dirname "$0")/../.." && pwd)
out=${1:?build dir}/fuzz
secs=${2:-10}
target=${3:-reply}
if ! command -v clang++ >/dev/null; then
  echo "clang++ not installed" >&2
  exit 1
fi
mkdir -p "$out/corpus-$target"
# What each target is built from, compiled again with the fuzzer's
# instrumentation: for the replies the core, the POSIX platform layer and
# the test support as the unit tests link them; the others need little.
case $target in
  reply)
    mapfile -t sources < <(cd "$src" && ls tests/fuzz/reply_fuzz.cc tests/support/*.cc \
      updater/protocol/*.cc updater/update/*.cc updater/ui/*.cc platform/*.cc platform/posix/*.cc)
    ;;
  settings)
    sources=(tests/fuzz/settings_fuzz.cc platform/profile_text.cc updater/update/settings.cc
      updater/update/firmware_image.cc)
    ;;
  container) sources=(tests/fuzz/container_fuzz.cc platform/resource_container.cc) ;;
  http_answer) sources=(tests/fuzz/http_answer_fuzz.cc platform/posix/http_session.cc) ;;
  *) echo "unknown fuzz target: $target" >&2; exit 2 ;;
esac
bin="$out/${target}_fuzz"
newest=$(cd "$src" && ls -t "${sources[@]}" | head -n1)
if [ ! -x "$bin" ] || [ "$src/$newest" -nt "$bin" ]; then
  (cd "$src" && clang++ -std=c++17 -O1 -g -I. -fsanitize=fuzzer,address,undefined \
    -fno-sanitize-recover=undefined "${sources[@]}" -lcurl -o "$bin")
fi
corpus=$out/corpus-$target
case $target in
  reply)
    # A classic reply, a newer one.
    printf '\x01\x17KAVROp\x00\x00\x00\x00\x00\x00\x00\x36QJ-L' >"$corpus/seed1"
    printf '\x02\x06KAVROq\x03\x00\x00\x10\x00\x00\x00\x01\x10' >"$corpus/seed2"
    ;;
  settings) cp "$src/resources/Zantor.ini" "$corpus/shipped" ;;
  container)
    # A real container's tail: the last bytes of a program that carries one.
    demo=${1}/zantor_resources_demo
    [ -f "$demo" ] && tail -c 4096 "$demo" >"$corpus/demo_tail"
    ;;
  http_answer)
    printf 'HTTP/1.1 200 OK\r\nContent-Length: 7\r\n\r\n<html/>' >"$corpus/ok"
    printf 'HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 500 X\r\n\r\n' >"$corpus/interim"
    printf 'HTTP/ OK\r\n\r\n' >"$corpus/nocode"
    ;;
esac
"$bin" -max_total_time="$secs" -max_len=2048 -print_final_stats=1 "$corpus" 2>&1 | tail -n 12
