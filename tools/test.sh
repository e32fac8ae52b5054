#!/usr/bin/env bash
# Installs the dependencies, builds everything and runs the whole test suite under a
# virtual display.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
bash tools/build.sh
cd build
# Windowed tests share one virtual X server; under full load it now and then refuses a client, so
# a failing test gets one more run. A fault in the game fails both runs.
bash ../tools/with-display.sh ctest --output-on-failure -j"$(nproc)" --timeout 300 --repeat until-pass:2
