#!/usr/bin/env bash
# Installs the dependencies, builds everything and runs the whole test suite once. Each test
# process gets a virtual X server of its own (tools/own-display.sh, set up by CMakeLists.txt), so
# the suite needs no screen and no test shares a server with another.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
bash tools/build.sh
cd build
ctest --output-on-failure -j"$(nproc)" --timeout 300
