#!/usr/bin/env bash
# Everything from a fresh machine to all tests run: install, build both
# platforms, then run the Linux tests and the Windows tests under Wine side
# by side (both wait on namespaces, timers and Wine far more than they
# compute; every namespace and Wine prefix is named per run), then the
# sanitizer build (AddressSanitizer and UndefinedBehaviorSanitizer) with the
# unit, platform, staging and scenario tests.
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

echo "== Linux tests and Windows tests (Wine), side by side"
( ctest --preset linux --timeout 900 >"$logs/linux.log" 2>&1 ) &
linux_pid=$!
( ctest --preset windows --timeout 900 >"$logs/windows.log" 2>&1 ) &
windows_pid=$!
wait "$linux_pid" || status=1
echo "== Linux tests"
cat "$logs/linux.log"
wait "$windows_pid" || status=1
echo "== Windows tests (Wine)"
cat "$logs/windows.log"

echo "== Sanitizer build"
cmake --preset linux-asan >/dev/null
cmake --build --preset linux-asan -j "$jobs" --target unit_tests platform_tests staging_tests \
  zantor_scenario_test boardsim boardsim_tests
echo "== Sanitizer tests"
ctest --preset linux-asan --timeout 900 || status=1
exit $status
