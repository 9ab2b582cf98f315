#!/usr/bin/env bash
# Installs what is missing from Debian's packages, builds everything and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
source ./scripts/deps.sh
zlm_install_deps
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build
cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2 --timeout 240
