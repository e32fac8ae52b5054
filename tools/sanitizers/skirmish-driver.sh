#!/usr/bin/env bash
# Runs the game in the current folder on the current display for a number of seconds of a loaded
# scenario, then ends it as a player does: the quit key, then a key on the exit screen. Exits with
# the game's own exit code, or 124 when the game did not end in time.
set -u
game=$1
seconds=$2
"$game" >stdout.txt 2>stderr.txt &
pid=$!
wait_for_line() {
  for _ in $(seq "$2"); do
    grep -q "$1" Tolvarine.log 2>/dev/null && return 0
    kill -0 "$pid" 2>/dev/null || return 1
    sleep 1
  done
  return 1
}
key() {
  local window
  window=$(grep -o 'SDL_WINDOWID=0x[0-9A-Fa-f]*' Tolvarine.log | head -n 1 | cut -d= -f2)
  xdotool windowfocus --sync "$((16#${window#0x}))" key "$1" >/dev/null 2>&1
}
if wait_for_line "Scenario Skirmish loaded." 300; then
  sleep "$seconds"
  key F10
  wait_for_line "Scenario Skirmish running unload..." 120 && key space
fi
for _ in $(seq 120); do
  kill -0 "$pid" 2>/dev/null || { wait "$pid"; exit $?; }
  sleep 1
done
kill -KILL "$pid"
exit 124
