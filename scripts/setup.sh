#!/usr/bin/env bash
# Installs everything the builds, tests and demo need on a fresh Debian
# machine. Safe to run again: it only calls apt-get for what is missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ git python3 googletest libgtest-dev libbenchmark-dev
  g++-mingw-w64-x86-64-posix mingw-w64-tools
  wine wine64 xvfb xauth x11-utils imagemagick fonts-droid-fallback
  iproute2 libcurl4-openssl-dev curl clang libclang-rt-14-dev bc ccache
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq "${missing[@]}" >/dev/null
fi
echo "setup: all build and test packages present"
