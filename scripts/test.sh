#!/usr/bin/env bash
# Everything from a fresh machine to all tests run: install, build both
# platforms (development and release builds), then run side by side the
# Linux tests, the Windows tests under Wine, and the release builds' tests
# (the two shipped-timing runs of about 200 s each): all of them wait on
# namespaces, timers and Wine far more than they compute, and every namespace
# and Wine prefix is named per run. Then the sanitizer build
# (AddressSanitizer and UndefinedBehaviorSanitizer) with the unit, platform,
# staging and scenario tests.
# Needs root (network namespaces). Exits non-zero when any test fails.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
jobs=${ZANTOR_JOBS:-$(nproc)}
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
status=0
logs=build/test-logs
mkdir -p "$logs"

echo "== Linux tests, Windows tests (Wine) and the release builds' tests, side by side"
suites=(linux windows linux-release windows-release)
pids=()
for suite in "${suites[@]}"; do
  ( ctest --preset "$suite" --timeout 900 >"$logs/$suite.log" 2>&1 ) &
  pids+=($!)
done
for i in "${!suites[@]}"; do
  wait "${pids[$i]}" || status=1
  echo "== ${suites[$i]} tests"
  cat "$logs/${suites[$i]}.log"
done

echo "== Sanitizer build"
cmake --preset linux-asan >/dev/null
cmake --build --preset linux-asan -j "$jobs" --target unit_tests platform_tests staging_tests \
  zantor_scenario_test boardsim boardsim_tests
echo "== Sanitizer tests"
ctest --preset linux-asan --timeout 900 || status=1
exit $status
