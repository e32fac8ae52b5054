#!/usr/bin/env bash
# Synthesises the weapons' fire sounds into data/sound with sox, from tones and noise, so the
# files can be remade at any time; run it after changing a recipe. The ".sound" definitions
# beside them name these files.
#   bash tools/make_weapon_sounds.sh [output folder]
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/sound_recipe_setup.sh "$@"

# plasma_gun_fire: a short bright chirp falling fast, with a breath of hiss.
sox -n "${format[@]}" "$work/chirp.wav" synth 0.18 square 2200-400 fade q 0.002 0.18 0.14 vol 0.35
sox -n "${format[@]}" "$work/hiss.wav" synth 0.18 whitenoise fade q 0.001 0.18 0.16 highpass 3000 vol 0.2
sox -m "$work/chirp.wav" "$work/hiss.wav" "$out/plasma_gun_fire.wav" gain -n -3

# mass_driver_fire: a hard click and a low metallic thud.
sox -n "${format[@]}" "$work/click.wav" synth 0.05 whitenoise fade q 0.001 0.05 0.04 vol 0.6
sox -n "${format[@]}" "$work/thud.wav" synth 0.3 sine 160-60 fade q 0.002 0.3 0.25 vol 0.8
sox "$work/click.wav" "$work/thud.wav" "$out/mass_driver_fire.wav" gain -n -3

# ion_lance_fire: a humming tone that swells and dies with the beam.
sox -n "${format[@]}" "$work/hum.wav" synth 0.45 sawtooth 320 sine 640 fade q 0.03 0.45 0.3 lowpass 2500 vol 0.5
sox "$work/hum.wav" "$out/ion_lance_fire.wav" gain -n -3

echo "make_weapon_sounds: wrote 3 files to $out"
