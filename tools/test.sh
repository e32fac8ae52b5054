#!/usr/bin/env bash
# Installs the dependencies, builds everything and runs the whole test suite under a
# virtual display.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
bash tools/build.sh
cd build
bash ../tools/with-display.sh ctest --output-on-failure -j"$(nproc)" --timeout 300
