#!/usr/bin/env bash
# Installs the dependencies, builds the game and starts it. The game reads and writes its files
# relative to its working folder, so it runs in a folder of the player's own outside the
# repository, and playing leaves the repository as it was:
#   ${XDG_DATA_HOME:-$HOME/.local/share}/tolvarine
# There the game keeps its settings (cfg/, copied from the shipped cfg/ on the first start and
# kept from then on), its video options (ogre.cfg), its log (Tolvarine.log), its profile report
# and its screenshots. Its data/ mirrors the repository's data/ with links to the shipped files,
# laid anew at every start, so the game reads the repository's data and writes what it makes
# beside them (their enciphered twins) into that folder. Removing the folder
# resets everything; removing its cfg/ resets only the settings.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"
bash tools/install-deps.sh
# The game alone: the tests, benchmarks and fuzz targets are the test command's to build.
bash tools/build.sh tolvarine

home="${XDG_DATA_HOME:-$HOME/.local/share}/tolvarine"
mkdir -p "$home/cfg"
# A settings file the player has is kept; one the game gained since is copied in.
bash tools/shipped-files.sh -z cfg | while IFS= read -r -d '' file; do
  [ -e "$home/$file" ] || cp "$repo/$file" "$home/cfg/"
done
[ -e "$home/ogre.cfg" ] || cp "$repo/tools/default-ogre.cfg" "$home/ogre.cfg"
# The plug-in list names this machine's plug-in folder, written by the build.
cp "$repo/plugins.cfg" "$home/plugins.cfg"
rm -rf "$home/data"
# Links to the shipped files only (tools/shipped-files.sh): a leftover of an old run in the
# repository (an enciphered twin) would be read, and written over through its link.
bash tools/shipped-files.sh -z data | while IFS= read -r -d '' file; do
  mkdir -p "$home/${file%/*}"
  ln -s "$repo/$file" "$home/$file"
done
ln -sfn "$repo/startup.py" "$home/startup.py"
cd "$home"
exec "$repo/build/tolvarine"
