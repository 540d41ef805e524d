#!/usr/bin/env bash
# Configures and builds both platforms: the development and test builds
# build/linux and build/windows (everything, test hooks in), then the release
# builds build/linux-release and build/windows-release (the programs as
# shipped, no test hooks, and what their shipped-timing tests need).
# Programs land in build/<preset>/bin. In CI (CI=true) compiler warnings are
# errors.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${ZANTOR_JOBS:-$(nproc)}
# One compiler cache for every checkout of the tree (worktrees, CI clones).
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
# Info-ZIP UnZip's source (Debian's package), compiled by both builds.
bash scripts/fetch-unzip.sh
werror=OFF
[ "${CI:-}" = true ] && werror=ON
for preset in linux windows linux-release windows-release; do
  cmake --preset "$preset" -DZANTOR_WERROR=$werror >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
done
