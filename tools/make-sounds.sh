#!/usr/bin/env bash
# Synthesises the game's sounds into data/sound with sox. Every sound is made from tones and
# noise here, so the files can be remade at any time; run it after changing a recipe.
#   bash tools/make-sounds.sh [output folder]
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/sound_recipe_setup.sh "$@"

# 16-bit mono at 22.05 kHz for the alarms (they are placed in space, which needs mono);
# 16-bit stereo at 8 kHz for the ambient loops, which are low and soft.
alarm=(-r 22050 -c 1 -b 16)
ambient=(-r 8000 -c 2 -b 16)

# tone FILE SECONDS WAVE FREQUENCY: one beep with soft edges, so it does not click.
tone() {
  sox -n "${alarm[@]}" "$1" synth "$2" "$3" "$4" fade q 0.01 "$2" 0.02 vol 0.6
}
quiet() {
  sox -n "${alarm[@]}" "$1" trim 0 "$2"
}

# critical_alarm: a slow high-low warble of one second that loops while the ship is in danger.
tone "$work/c1.wav" 0.25 square 880
quiet "$work/c2.wav" 0.25
tone "$work/c3.wav" 0.25 square 660
quiet "$work/c4.wav" 0.25
sox "$work"/c1.wav "$work"/c2.wav "$work"/c3.wav "$work"/c4.wav "$out/critical_alarm.wav" lowpass 4000

# incoming_alarm: three quick rising chirps, played once per incoming missile.
for i in 1 2 3; do
  sox -n "${alarm[@]}" "$work/i$i.wav" synth 0.09 sine 1100-1600 fade q 0.005 0.09 0.02 vol 0.7
  quiet "$work/g$i.wav" 0.05
done
sox "$work"/i1.wav "$work"/g1.wav "$work"/i2.wav "$work"/g2.wav "$work"/i3.wav "$work"/g3.wav \
  "$out/incoming_alarm.wav"

# drone FILE SECONDS LEFT_HZ RIGHT_HZ OVERTONE_HZ TREMOLO_HZ: a looping pad. Whole cycles of
# every frequency fit in the length, so the loop joins without a click.
drone() {
  sox -n "${ambient[@]}" "$work/base.wav" synth "$2" sine "$3" sine "$4"
  sox -n "${ambient[@]}" "$work/over.wav" synth "$2" sine "$5" sine "$5" vol 0.3
  sox -m "$work/base.wav" "$work/over.wav" "$1" tremolo "$6" 30 vol 0.35
}

# The foregrounds: open space, and the calmer command view.
drone "$out/ambient_space.wav" 4 55 55.25 110.5 0.25
drone "$out/ambient_command.wav" 4 82.5 82.75 165 0.5
# The backgrounds that cross-fade behind them.
drone "$out/ambient_nl.wav" 4 41.25 41.5 123.75 0.25
drone "$out/ambient_da.wav" 4 49 49.25 147 0.5
drone "$out/ambient_tc.wav" 4 36.75 37 183.75 0.25

echo "make-sounds: wrote $(ls "$out"/*.wav | wc -l) files to $out"
