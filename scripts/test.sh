#!/usr/bin/env bash
# Builds and runs every test: the plain build, then the framework, engine, toolkit, shell, play core
# and play-window tests under ThreadSanitizer and, with the recording-file tests, under AddressSanitizer with
# UndefinedBehaviorSanitizer, then each fuzz target a short while from its seeds. The crash report's tests and the start under a virtual X server run
# in the plain build only: the sanitizers take fatal signals over themselves.
set -euo pipefail
cd "$(dirname "$0")/.."

# Each stage's time is said as it ends and summed up at the end, so that a slow stage shows.
timings=()
stage_start=$SECONDS
stage_done() {
  local took=$((SECONDS - stage_start))
  timings+=("$(printf '%-28s %4d:%02d' "$1" $((took / 60)) $((took % 60)))")
  echo "== stage '$1' took $((took / 60)) min $((took % 60)) s"
  stage_start=$SECONDS
}
trap 'printf "\n== stage times\n"; printf "  %s\n" "${timings[@]}"; echo "  total $((SECONDS / 60)) min $((SECONDS % 60)) s"' EXIT

scripts/build.sh build
stage_done "plain build"
(cd build && ctest --output-on-failure -j2)
stage_done "plain tests"

plain_only="CrashReport|StartAndCloseUnderX|PlayUnderX|LayoutsUnderX|RemoteUnderX"

scripts/build.sh build-tsan thread base_tests engine_tests toolkit_tests app_tests playmanager_tests main_tests
stage_done "ThreadSanitizer build"
# Without ASLR the sanitizer's shadow memory never collides with a randomised mapping. The libraries
# that are not built with the sanitizer (Qt above all) synchronise their own threads and queues with
# locks it cannot see: what they do inside is not looked at for races, only our code's accesses are.
(cd build-tsan && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 ignore_noninstrumented_modules=1 suppressions=$PWD/../tests/tsan.supp" \
   setarch "$(uname -m)" -R ctest --output-on-failure -j2 -L "framework|engine|toolkit|app|playmanager|main" -E "$plain_only")
stage_done "ThreadSanitizer tests"

scripts/build.sh build-asan address base_tests files_tests engine_tests toolkit_tests app_tests playmanager_tests main_tests
stage_done "AddressSanitizer build"
(cd build-asan && ASAN_OPTIONS="detect_leaks=1" UBSAN_OPTIONS="print_stacktrace=1" \
   LSAN_OPTIONS="suppressions=$PWD/../tests/lsan.supp" \
   ctest --output-on-failure -j2 -L "framework|files|engine|toolkit|app|playmanager|main" -E "$plain_only")
stage_done "AddressSanitizer tests"

# The fuzz targets, built by clang with libFuzzer: each runs 20 seconds from its seed corpus.
CC=clang CXX=clang++ scripts/build.sh build-fuzz fuzzer fuzz_targets
stage_done "fuzz build"
(cd build-fuzz && ctest --output-on-failure -j2 -L fuzz)
stage_done "fuzz runs"
