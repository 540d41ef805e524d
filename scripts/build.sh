#!/usr/bin/env bash
# Configures and builds both platforms: build/linux and build/windows.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${ZANTOR_JOBS:-$(nproc)}
# One compiler cache for every checkout of the tree (worktrees, CI clones).
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
# Info-ZIP UnZip's source (Debian's package), compiled by both builds.
bash scripts/fetch-unzip.sh
for preset in linux windows; do
  [ -f "build/$preset/build.ninja" ] || cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
done
