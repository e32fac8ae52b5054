#!/usr/bin/env bash
# Measures line coverage of src/ over the whole test suite: a build of its own with gcc's
# coverage instrumentation in build-coverage/, every test run once, and gcovr's summary.
set -euo pipefail
cd "$(dirname "$0")/.."
command -v gcovr >/dev/null || apt-get install -y gcovr
cmake -S . -B build-coverage -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS="--coverage -O0" \
  -DCMAKE_EXE_LINKER_FLAGS="--coverage"
cmake --build build-coverage -j"$(nproc)"
find build-coverage -name '*.gcda' -delete
(cd build-coverage && ctest -j"$(nproc)" --timeout 600 --output-on-failure) || true
gcovr -r . --filter 'src/' --object-directory build-coverage -j "$(nproc)" -s -o build-coverage/coverage.txt
