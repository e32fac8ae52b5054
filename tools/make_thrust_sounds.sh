#!/usr/bin/env bash
# Synthesises the engine sounds into data/sound with sox: the rumble of the ships' main engines,
# the hiss of their manoeuvring jets and the roar of a missile's rocket. The ships' sounds loop
# while a ship is in play and their gain follows the thrust; a missile's loops while it flies. Mono, because they are placed in space with the ship.
#   bash tools/make_thrust_sounds.sh [output folder]
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/sound_recipe_setup.sh "$@"

# thrust_main: two seconds of deep filtered noise with a slow throb at whole cycles, so the
# loop joins without a jump in level.
sox -n "${format[@]}" "$out/thrust_main.wav" synth 2 brownnoise synth 2 sine amod 4 40 \
  lowpass 300 lowpass 300 vol 0.9

# thrust_auxiliary: a second of band-passed hiss for the small jets.
sox -n "${format[@]}" "$out/thrust_auxiliary.wav" synth 1 whitenoise bandpass 2500 1.2q vol 0.35

# missile_thrust: a second of hard pink-noise roar with a fast flutter, brighter than a ship's
# engine so an approaching missile stands out.
sox -n "${format[@]}" "$out/missile_thrust.wav" synth 1 pinknoise synth 1 sine amod 25 30 \
  highpass 400 lowpass 4000 vol 0.6

for name in thrust_main thrust_auxiliary missile_thrust; do
  printf '[Sound]\nfilename = %s.wav\nlooping = 1\ngain = 1\nminDistance = 20\n' "$name" > "$out/$name.sound"
done
echo "make_thrust_sounds: wrote thrust_main, thrust_auxiliary and missile_thrust to $out"
