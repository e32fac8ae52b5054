#!/usr/bin/env bash
# Prints the repository's shipped files under the given folders (cfg and data when none is
# given), one a line, relative to the repository root: the files git does not ignore, so neither
# the enciphered twins, logs and caches that the game and the tools write beside them nor a
# leftover of an old run. Outside a git checkout (or without git) every file is printed.
#
#   bash tools/shipped-files.sh [FOLDER ...]
set -euo pipefail
cd "$(dirname "$0")/.."
[ $# -gt 0 ] || set -- cfg data
if command -v git >/dev/null && git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  # Tracked files deleted from the working tree are listed too: only those there are printed.
  git ls-files --cached --others --exclude-standard -- "$@" | while IFS= read -r file; do
    if [ -f "$file" ]; then printf '%s\n' "$file"; fi
  done
else
  find "$@" -type f
fi
