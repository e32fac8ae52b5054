#!/usr/bin/env python3
"""A careless player's hands as a stream of xdotool commands: key presses and holds of every key the
key map binds (quit aside), mouse moves and clicks, drawn at random from a seed, so that a stream
that broke the game can be made again from its seed alone.

    python3 tools/key_stream.py SEED [BATCHES] [KEYMAP]

Prints BATCHES lines (endless when left out or 0); each line is one batch of xdotool commands, sent
to the game window as `xdotool windowfocus --sync WINDOW <line>` (the .xdo format that
tools/storm.sh and the whole-game storm test replay). KEYMAP is cfg/active.keymap by default.
"""
import configparser
import pathlib
import random
import signal
import sys

# The keys that change the scenario under a player's hands, open and leave command mode, form and
# break formations and go back through the menus: where a game's state changes most, pressed most.
# (Escape the least of them: twice on the main sheet quits the game.)
WEIGHTED_UP = {"f7": 3, "f8": 3, "f12": 3, "c": 3, "n": 3, "f": 3, "g": 3, "escape": 2}
# A screenshot a press, kept in the game's folder: pressed seldom.
WEIGHTED_DOWN = {"print screen": 0.2}
LEFT_OUT = {"quit"}

# The key map's names whose xdotool name is not the name itself.
XDOTOOL_NAMES = {
    "escape": "Escape", "space": "space", "page up": "Prior", "page down": "Next", "left ctrl": "Control_L",
    "right ctrl": "Control_R", "left shift": "Shift_L", "right shift": "Shift_R", "left alt": "Alt_L",
    "right alt": "Alt_R", "up": "Up", "down": "Down", "left": "Left", "right": "Right", "tab": "Tab",
    "return": "Return", "backspace": "BackSpace", "print screen": "Print", "=": "equal", "-": "minus",
    "[": "bracketleft", "]": "bracketright", ";": "semicolon", "'": "apostrophe", ",": "comma",
    ".": "period", "/": "slash", "\\": "backslash", "`": "grave",
}


def xdotool_key(name):
    if name in XDOTOOL_NAMES:
        return XDOTOOL_NAMES[name]
    if len(name) == 1 and name.isalnum():
        return name
    if name[0] == "f" and name[1:].isdigit():
        return name.upper()
    sys.exit(f"key_stream.py: no xdotool name for the key \"{name}\"")


def actions(keymap_path):
    """The weighted inputs of the key map: ("key", name), ("button", number) and ("move", None)."""
    keymap = configparser.ConfigParser(interpolation=None)
    keymap.optionxform = str
    if not keymap.read(keymap_path):
        sys.exit(f"key_stream.py: cannot read {keymap_path}")
    weighted = []
    for action, physical in keymap["Mapping"].items():
        if action in LEFT_OUT:
            continue
        weight = WEIGHTED_UP.get(physical, WEIGHTED_DOWN.get(physical, 1))
        if physical.startswith("Mouse Button "):
            weighted.append((("button", physical.split()[-1]), 3 * weight))
        elif physical.startswith("Mouse Move "):
            weighted.append((("move", None), 3 * weight))
        elif not physical.startswith("Joystick"):
            weighted.append((("key", xdotool_key(physical)), weight))
    return weighted


def command(rng, kind, value):
    # A third of the presses are holds, as thrust and fire are flown.
    held = rng.random() < 0.3
    if kind == "move":
        return f"mousemove_relative -- {rng.randint(-150, 150)} {rng.randint(-150, 150)}"
    if kind == "button":
        return f"mousedown {value} sleep {rng.choice((0.05, 0.2, 0.5))} mouseup {value}" if held else f"click {value}"
    return f"keydown {value} sleep {rng.choice((0.05, 0.2, 0.5))} keyup {value}" if held else f"key {value}"


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    # A reader that stops reading ends the stream quietly.
    signal.signal(signal.SIGPIPE, signal.SIG_DFL)
    seed = int(sys.argv[1])
    batches = int(sys.argv[2]) if len(sys.argv) > 2 else 0
    keymap = sys.argv[3] if len(sys.argv) > 3 else pathlib.Path(__file__).resolve().parent.parent / "cfg/active.keymap"
    weighted = actions(keymap)
    inputs = [entry for entry, _ in weighted]
    weights = [weight for _, weight in weighted]
    rng = random.Random(seed)
    line = 0
    while batches == 0 or line < batches:
        picks = rng.choices(inputs, weights, k=rng.randint(10, 25))
        print(" ".join(command(rng, kind, value) + " sleep 0.02" for kind, value in picks), flush=True)
        line += 1


if __name__ == "__main__":
    main()
