#!/usr/bin/env bash
# Everything from a fresh machine to all tests run: install, build both
# platforms, run the Linux tests, then the Windows tests under Wine while
# the sanitizer build (AddressSanitizer and UndefinedBehaviorSanitizer)
# runs the unit, platform, staging and scenario tests beside them.
# Needs root (network namespaces). Exits non-zero when any test fails.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
jobs=${ZANTOR_JOBS:-$(nproc)}
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
status=0
echo "== Linux tests"
ctest --preset linux --timeout 900 || status=1

echo "== Sanitizer build"
cmake --preset linux-asan >/dev/null
cmake --build --preset linux-asan -j "$jobs" --target unit_tests platform_tests staging_tests \
  zantor_scenario_test boardsim boardsim_tests
# The Windows tests wait on Wine most of the time; the sanitizer tests run
# beside them (their namespaces are named per run).
asan_log=build/linux-asan/ctest.log
( ctest --preset linux-asan --timeout 900 >"$asan_log" 2>&1 ) &
asan_pid=$!

echo "== Windows tests (Wine)"
ctest --preset windows --timeout 900 || status=1

echo "== Sanitizer tests"
if ! wait "$asan_pid"; then status=1; fi
cat "$asan_log"
exit $status
