#!/usr/bin/env bash
# Fills FOLDER (made when missing) with what the game reads at run time, copied from the
# repository: the shipped files of cfg/ and data/ (tools/shipped-files.sh), the plug-in list the
# build wrote, the windowed default video options as ogre.cfg and the start-up script. The game,
# the tests and the measuring tools run in such a copy, so that what they write (the enciphered
# twins beside the data files, changed settings) never lands in the repository, and a leftover
# there never changes what they run.
#
#   bash tools/fill-game-folder.sh FOLDER
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 FOLDER" >&2; exit 2; }
root=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$1"
folder=$(cd "$1" && pwd)
cd "$root"
bash tools/shipped-files.sh -z | xargs -0 -r cp --parents -t "$folder"
cp plugins.cfg "$folder/plugins.cfg"
cp tools/default-ogre.cfg "$folder/ogre.cfg"
cp startup.py "$folder/startup.py"
