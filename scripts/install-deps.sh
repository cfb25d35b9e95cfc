#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the demo need. Run as root on Debian 12.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  zlib1g-dev libgtest-dev libbenchmark-dev
  python3 tar gzip curl
  qt6-base-dev qt6-translations-l10n fonts-liberation2 xvfb xauth twm
  clang libclang-rt-14-dev
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix libz-mingw-w64-dev googletest
  wine wine64 wine32:i386 imagemagick
)

if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps.sh: run as root (it installs Debian packages)" >&2
  exit 1
fi

# The 32-bit Wine (wine32) comes from Debian's i386 architecture.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
