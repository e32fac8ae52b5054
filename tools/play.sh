#!/usr/bin/env bash
# Installs the dependencies, builds the game and starts it from the repository root,
# which is its working directory (cfg/ and data/ are read from there).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
bash tools/build.sh
exec ./build/tolvarine
