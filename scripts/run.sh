#!/usr/bin/env bash
# Installs what is missing, builds, and starts the window on the sample
# archive. Without a display the sample is listed with `ovk` instead.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DOVK_BUILD_TESTS=OFF
cmake --build build -j "$(nproc)"
if [[ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]]; then
  exec ./build/ovkview examples/sample.zip
fi
echo "No display found: listing the sample archive with ovk instead."
exec ./build/ovk list examples/sample.zip
