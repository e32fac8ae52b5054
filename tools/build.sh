#!/usr/bin/env bash
# Configures and builds the game, its tools and its tests into build/ (Release with debug info);
# with target names, only those (tools/play.sh builds the game alone: "tolvarine").
set -euo pipefail
cd "$(dirname "$0")/.."
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}"
# Every core unless the caller limits it, as on a machine shared with others.
targets=()
for target in "$@"; do targets+=(--target "$target"); done
cmake --build build -j"${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}" "${targets[@]}"
