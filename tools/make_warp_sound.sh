#!/usr/bin/env bash
# Synthesises the warp arrival's sound into data/sound with sox: a rising, beating hum that
# swells into a soft boom as the ship drops out of warp. Its ".sound" definition names the file.
#   bash tools/make_warp_sound.sh [output folder]
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/sound_recipe_setup.sh "$@"

sox -n "${format[@]}" "$work/hum.wav" synth 2.0 sine 60-420 sine 63-426 fade q 0.8 2.0 0.3 vol 0.5
sox -n "${format[@]}" "$work/boom.wav" synth 2.0 brownnoise fade q 1.6 2.0 0.4 lowpass 500 vol 0.8
sox -m "$work/hum.wav" "$work/boom.wav" "$out/warp_arrival.wav" gain -n -3

echo "make_warp_sound: wrote 1 file to $out"
