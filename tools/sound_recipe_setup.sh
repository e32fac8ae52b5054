# Sourced by the sound generators, from the repository root, with their arguments: the output
# folder (the first argument, data/sound by default), a scratch folder removed at exit,
# repeatable sox output and the format of sounds placed in space.
out="${1:-data/sound}"
mkdir -p "$out"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# Repeatable output: the same recipes always give the same bytes.
export SOX_OPTS="-R"
# 16-bit mono at 22.05 kHz: sounds placed in space must be mono.
format=(-r 22050 -c 1 -b 16)
