#!/usr/bin/env bash
# Installs what is needed, builds the normal and the sanitizer build, and runs every test in both.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

for preset in default asan; do
  echo "=== build: $preset"
  cmake --preset "$preset"
  cmake --build --preset "$preset"
  echo "=== tests: $preset"
  ctest --preset "$preset"
done
echo "=== fuzz smoke run"
scripts/fuzz.sh
echo "=== Windows builds (mingw-w64), tests under Wine"
scripts/wine-tests.sh
echo "=== all tests passed"
