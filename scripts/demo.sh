#!/usr/bin/env bash
# Installs what is needed, builds, and runs the program's main job on its embedded default.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset default
cmake --build --preset default --target prelavka
exec build/default/app/prelavka "$@"
