#!/usr/bin/env bash
# Everything from a fresh machine to all tests run: install, build both
# platforms, run the Linux tests, then the Windows tests under Wine.
# Needs root (network namespaces). Exits non-zero when any test fails.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
status=0
echo "== Linux tests"
ctest --preset linux --timeout 900 || status=1
echo "== Windows tests (Wine)"
ctest --preset windows --timeout 900 || status=1
exit $status
