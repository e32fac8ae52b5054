#!/usr/bin/env bash
# Prints the repository's shipped files under the given folders (cfg and data when none is
# given), relative to the repository root: the files git does not ignore, so neither the
# enciphered twins, logs and caches that the game and the tools write beside them nor a leftover
# of an old run. Outside a git checkout (or without git) every file is printed.
#
# Each name ends with a newline, or with a NUL byte under -z. The tools that copy or link the
# files read the -z listing: a file name may hold any letter but NUL (a modder's
# data/scenarios/überfall.py, a quote, a tab, even a newline), and each reaches them as it is.
#
#   bash tools/shipped-files.sh [-z] [FOLDER ...]
set -euo pipefail
cd "$(dirname "$0")/.."
end='\n'
if [ "${1:-}" = -z ]; then end='\0'; shift; fi
[ $# -gt 0 ] || set -- cfg data
if command -v git >/dev/null && git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  # git's line listing quotes and escapes a name with other letters than plain ASCII ones, so the
  # names are read NUL-terminated, as git keeps them. Tracked files deleted from the working tree
  # are listed too: only those there are printed.
  git ls-files -z --cached --others --exclude-standard -- "$@" | while IFS= read -r -d '' file; do
    if [ -f "$file" ]; then printf "%s$end" "$file"; fi
  done
else
  find "$@" -type f -printf "%p$end"
fi
