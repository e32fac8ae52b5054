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
# Another install (an unattended upgrade, a second set-up running beside this one) holds the
# package manager's locks while it runs: wait for it, up to INSTALL_DEPS_LOCK_WAIT seconds (five
# minutes), rather than fail at once. apt waits for the dpkg lock itself; a lock it does not wait
# for ends the call with "Could not get lock", and the call is made again a little later.
lock_wait=${INSTALL_DEPS_LOCK_WAIT:-300}
apt_get() {
  local deadline=$((SECONDS + lock_wait)) errors
  errors=$(mktemp)
  until DEBIAN_FRONTEND=noninteractive $SUDO apt-get -o DPkg::Lock::Timeout="$lock_wait" "$@" 2>"$errors"; do
    cat "$errors" >&2
    if ! grep -q -e 'Could not get lock' -e 'Unable to lock' -e 'Unable to acquire' "$errors" || [ $SECONDS -ge $deadline ]; then
      rm -f "$errors"
      return 1
    fi
    echo "install-deps: another install holds the package manager's lock; waiting" >&2
    sleep 5
  done
  cat "$errors" >&2
  rm -f "$errors"
}
echo "install-deps: installing ${missing[*]}"
apt_get update
apt_get install -y --no-install-recommends "${missing[@]}"
