#!/usr/bin/env bash
# Synthesises the explosion sounds into data/sound with sox, from noise and tones, so the files
# can be remade at any time; run it after changing a recipe. The ".sound" definitions beside
# them name these files.
#   bash tools/make_explosion_sounds.sh [output folder]
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/sound_recipe_setup.sh "$@"

# explosion_plasma: a crackling zap that falls in pitch over a short hiss.
sox -n "${format[@]}" "$work/zap.wav" synth 0.7 sine 1400-90 fade q 0.005 0.7 0.5 vol 0.5
sox -n "${format[@]}" "$work/hiss.wav" synth 0.7 pinknoise fade q 0.002 0.7 0.65 highpass 1500 vol 0.4
sox -m "$work/zap.wav" "$work/hiss.wav" "$out/explosion_plasma.wav" gain -n -3

# explosion_conventional: a deep thump with a rumbling tail.
sox -n "${format[@]}" "$work/thump.wav" synth 1.2 sine 70-30 fade q 0.005 1.2 1.0 vol 0.8
sox -n "${format[@]}" "$work/rumble.wav" synth 1.2 brownnoise fade q 0.01 1.2 1.1 lowpass 700 vol 0.9
sox -m "$work/thump.wav" "$work/rumble.wav" "$out/explosion_conventional.wav" gain -n -3

echo "make_explosion_sounds: wrote 2 files to $out"
