#!/bin/bash
# Installs what is missing, builds Zavrix and runs it with the given arguments.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh >&2
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DZAVRIX_TESTS=OFF >/dev/null
cmake --build build --target Zavrix -j"$(nproc)" >/dev/null
exec build/Zavrix "$@"
