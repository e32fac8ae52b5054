#!/usr/bin/env bash
# Builds the game and its tests with AddressSanitizer and UndefinedBehaviorSanitizer into
# build-sanitize/ (CMake option TOLVARINE_SANITIZE), then runs under them the whole test suite and a
# two-minute skirmish of the whole game on a virtual display, ended through its quit key and exit
# screen. Every report the sanitizers write (tests, games the tests start, the skirmish) lands in
# build-sanitize/sanitizer-reports/; the run fails when any is there. Reports from inside system
# libraries are suppressed by the files of tools/sanitizers/, each line with its reason.
#
#   bash tools/sanitize.sh            build, suite, skirmish
#   bash tools/sanitize.sh suite      build, suite only
#   bash tools/sanitize.sh skirmish   build, skirmish only
# CMAKE_BUILD_PARALLEL_LEVEL (default 3) sets the build's jobs, SANITIZE_TEST_JOBS (default 3) the suite's.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
mode=${1:-all}
build=$root/build-sanitize
reports=$build/sanitizer-reports
suppressions=$root/tools/sanitizers

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOLVARINE_SANITIZE=ON "${launcher[@]}" >/dev/null
nice cmake --build "$build" -j"${CMAKE_BUILD_PARALLEL_LEVEL:-3}"

rm -rf "$reports"
mkdir -p "$reports"
# alloc_dealloc_mismatch=0: Debian's OGRE frees the image codec's malloc'd pixels with delete[]
# (see tools/sanitizers/asan.supp); the check cannot be suppressed by library.
export ASAN_OPTIONS="suppressions=$suppressions/asan.supp:log_path=$reports/asan:detect_leaks=1:alloc_dealloc_mismatch=0:check_initialization_order=1:strict_init_order=1:detect_stack_use_after_return=0"
export LSAN_OPTIONS="suppressions=$suppressions/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="suppressions=$suppressions/ubsan.supp:log_path=$reports/ubsan:print_stacktrace=1:halt_on_error=1"
# Python's own allocator keeps its memory in arenas the leak checker cannot see into.
export PYTHONMALLOC=malloc
status=0

run_suite() {
  echo "== the test suite under the sanitizers"
  # Leaks are checked in the skirmish, not here: test fixtures start and stop OGRE's OpenGL plugin,
  # and the memory that Mesa's driver keeps is reported after the driver is unloaded, from an
  # unknown module that no suppression can name.
  (cd "$build" && ASAN_OPTIONS="$ASAN_OPTIONS:detect_leaks=0" nice ctest -j"${SANITIZE_TEST_JOBS:-3}" --timeout 1500 --output-on-failure) || status=1
}

# The game in a working folder of its own (tools/fill-game-folder.sh), a skirmish from its start-up
# script, the player's side sent towards the enemy so the fight starts at once; after two minutes
# the quit key, then a key on the exit screen.
run_skirmish() {
  echo "== a two-minute skirmish under the sanitizers"
  local work
  work=$(mktemp -d)
  bash tools/fill-game-folder.sh "$work"
  cat >"$work"/startup.py <<'PY'
from Tolvarine import *
scenario = startSkirmish()
for ship in scenario.getFaction('Player').getShipList():
    ship.getBehaviour().loiter(Vector3(0, 0, -4000))
PY
  (cd "$work" && bash "$root/tools/own-display.sh" bash "$root/tools/sanitizers/skirmish-driver.sh" "$build/tolvarine" 120) \
    || { echo "the skirmish did not end cleanly (log: $work/Tolvarine.log)"; status=1; return; }
  grep -q "Scenario Skirmish loaded." "$work"/Tolvarine.log || { echo "the skirmish never loaded"; status=1; }
  if grep -n "caught at top-level" "$work"/Tolvarine.log; then status=1; fi
  rm -rf "$work"
}

case "$mode" in
  all) run_suite; run_skirmish ;;
  suite) run_suite ;;
  skirmish) run_skirmish ;;
  *) echo "usage: $0 [all|suite|skirmish]" >&2; exit 2 ;;
esac

if compgen -G "$reports/*" >/dev/null; then
  echo "== sanitizer reports:"
  for report in "$reports"/*; do echo "--- $report"; cat "$report"; done
  status=1
fi
[ "$status" -eq 0 ] && echo "== clean: no sanitizer findings"
exit "$status"
