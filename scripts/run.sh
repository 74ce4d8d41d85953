#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program on the sample
# archive.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DOVK_BUILD_TESTS=OFF
cmake --build build -j "$(nproc)"
exec ./build/ovk list examples/sample.zip
