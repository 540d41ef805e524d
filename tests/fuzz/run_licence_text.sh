#!/usr/bin/env bash
# Builds Terma's licence-page fuzzer with clang's libFuzzer and runs it briefly.
#   tests/fuzz/run_licence_text.sh BUILD_DIR [SECONDS]
set -euo pipefail
src=$(cd "$(dirname "$0")/../.." && pwd)
out=${1:?build dir}/fuzz-licence
secs=${2:-10}
mkdir -p "$out/corpus"
command -v clang++ >/dev/null || { echo "clang++ not installed" >&2; exit 1; }
bin="$out/licence_text_fuzz"
sources=(tests/fuzz/licence_text_fuzz.cc tools/terma/licence_text.cc platform/profile_text.cc)
if [ ! -x "$bin" ] || [ "$src/tools/terma/licence_text.cc" -nt "$bin" ] || [ "$src/platform/profile_text.cc" -nt "$bin" ] ||
   [ "$src/tests/fuzz/licence_text_fuzz.cc" -nt "$bin" ]; then
  (cd "$src" && clang++ -std=c++17 -O1 -g -I. -fsanitize=fuzzer,address,undefined \
    -fno-sanitize-recover=undefined "${sources[@]}" -o "$bin")
fi
cp "$src/resources/payload/Terma/en/la_en.htm" "$out/corpus/seed_en"
cp "$src/resources/payload/Terma/ja/la_ja.htm" "$out/corpus/seed_ja"
printf '<p>a &#x41; &amp;<script>x<1</script></p>' >"$out/corpus/seed_small"
"$bin" -max_total_time="$secs" -max_len=4096 -print_final_stats=1 "$out/corpus" 2>&1 | tail -n 8
