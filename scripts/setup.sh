#!/usr/bin/env bash
# Installs everything the builds, tests and demo need on a fresh Debian
# machine. Safe to run again: it only calls apt-get for what is missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ git python3 googletest libgtest-dev libbenchmark-dev
  g++-mingw-w64-x86-64-posix mingw-w64-tools
  wine wine64 xvfb xauth x11-utils imagemagick
  iproute2 libcurl4-openssl-dev curl clang libclang-rt-14-dev bc ccache
  dpkg-dev zip unzip fonts-ipafont-gothic time
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
# Info-ZIP UnZip is built from Debian's source package, so its security
# patches come with it; the machine lists only binary packages, so a deb-src
# twin of each Debian entry is added once (same URIs and suites).
src_list=/etc/apt/sources.list.d/zantor-deb-src.sources
if [ ! -f "$src_list" ] && ! grep -rqs '^Types:.*deb-src\|^deb-src ' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources >"$src_list"
  elif [ -f /etc/apt/sources.list ]; then
    sed -n 's/^deb \(.*debian.*\)$/deb-src \1/p' /etc/apt/sources.list >/etc/apt/sources.list.d/zantor-deb-src.list
  fi
  apt-get update -qq
fi
if ! apt-cache showsrc unzip 2>/dev/null | grep -q '^Version: 6\.0'; then
  apt-get update -qq
fi
bash "$(dirname "$0")/fetch-unzip.sh"
echo "setup: all build and test packages present"
