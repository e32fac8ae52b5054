#!/usr/bin/env bash
# Builds the libFuzzer program for the readers of the game's files with clang into build-fuzz/
# (CMake option TOLVARINE_FUZZ: coverage for the fuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each target for a number of inputs, its corpus seeded from
# our own cfg/ and data/ files. A crash, a hang (-timeout) or a run-away allocation (-rss_limit_mb,
# -malloc_limit_mb) stops the target and leaves its input in build-fuzz/findings/<target>/.
#
#   bash tools/fuzz.sh [target ...]      every target when none is named
# FUZZ_RUNS (default 2000000) inputs per target, spread over FUZZ_JOBS (default 3) processes;
# FUZZ_SECONDS, when set, also ends each process after that many seconds. Mutations also insert the
# extreme values of tools/fuzz/values.dict (NaN, infinities, the float range's ends, tiny masses).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=$root/build-fuzz

# clang and its fuzzer runtime come from Debian.
if ! command -v clang++ >/dev/null || ! compgen -G "/usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a" >/dev/null; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends clang libclang-rt-14-dev
fi

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOLVARINE_FUZZ=ON \
  "${launcher[@]}" >/dev/null
nice cmake --build "$build" --target tolvarine_fuzz -j"${CMAKE_BUILD_PARALLEL_LEVEL:-3}"

runs=${FUZZ_RUNS:-2000000}
jobs=${FUZZ_JOBS:-3}
time_limit=()
[ -n "${FUZZ_SECONDS:-}" ] && time_limit=(-max_total_time="$FUZZ_SECONDS")
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(config keymap ship station fireable weapon explosion debris explosion_sequence area sound curves)
fi
# Every input is written as a file: a memory file system keeps that from being the bottleneck.
if [ -z "${TMPDIR:-}" ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi
export UBSAN_OPTIONS="suppressions=$root/tools/sanitizers/ubsan.supp:print_stacktrace=1:halt_on_error=1"
# Python's own allocator would hide its memory from the leak checker.
export PYTHONMALLOC=malloc
export ASAN_OPTIONS="detect_leaks=0:alloc_dealloc_mismatch=1"
status=0
for target in "${targets[@]}"; do
  corpus=$build/corpus/$target
  findings=$build/findings/$target
  logs=$build/logs/$target
  mkdir -p "$corpus" "$findings"
  rm -rf "$logs"
  mkdir -p "$logs"
  TOLVARINE_FUZZ_TARGET=$target TOLVARINE_FUZZ_SEEDS=$root "$build/tolvarine_fuzz" | while read -r seed; do
    cp "$seed" "$corpus/seed-$(basename "$seed")"
  done
  echo "== $target: $runs inputs in $jobs processes"
  # Each process of -jobs runs -runs inputs of its own.
  if ! (cd "$logs" && TOLVARINE_FUZZ_TARGET=$target nice "$build/tolvarine_fuzz" "$corpus" \
          -jobs="$jobs" -workers="$jobs" -runs=$(((runs + jobs - 1) / jobs)) -max_len=16384 -timeout=10 \
          -rss_limit_mb=2048 -malloc_limit_mb=1024 -artifact_prefix="$findings/" -print_final_stats=1 \
          -dict="$root/tools/fuzz/values.dict" \
          "${time_limit[@]}" >/dev/null 2>&1); then
    status=1
  fi
  done_runs=$(cat "$logs"/fuzz-*.log | sed -n 's/^Done \([0-9]*\) runs.*/\1/p' | awk '{s += $1} END {print s + 0}')
  echo "   $done_runs inputs run; findings: $(ls "$findings" | wc -l) (logs: $logs)"
  if compgen -G "$findings/*" >/dev/null; then status=1; fi
done
exit "$status"
