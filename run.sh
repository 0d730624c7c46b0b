#!/usr/bin/env bash
# Installs what is missing, makes a release build in build/ and starts the program.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLON_TESTS=OFF -DQUILLON_BENCH=OFF >/dev/null
cmake --build build --target quillon
exec build/quillon "$@"
