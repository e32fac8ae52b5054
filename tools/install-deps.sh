#!/usr/bin/env bash
# Installs every Debian 12 package the game, its tools and its tests need.
# Runs as root on a fresh machine; safe to run again.
set -euo pipefail

packages=(
  g++ cmake make pkg-config ccache libgtest-dev zlib1g-dev
  libogre-1.12-dev ogre-1.12-tools
  libcegui-mk2-dev libcegui-mk2-data fonts-cegui fonts-dejavu-core
  libsdl2-dev libode-dev
  libboost-dev libboost-python-dev python3-dev
  libopenal-dev libsndfile1-dev sox
  xvfb xauth x11-utils xdotool mesa-utils libgl1-mesa-dri
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all ${#packages[@]} packages present"
  exit 0
fi

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
echo "install-deps: installing ${missing[*]}"
$SUDO apt-get update
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
