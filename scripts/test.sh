#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test (unit and end to end).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build
cd build
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 900 -j "$(nproc)"
