#!/usr/bin/env bash
# The project's entry for people and CI. Each command installs what it needs first.
#   ./tarvex.sh start [PATH]   build and start the player
#   ./tarvex.sh test           build and run every test, the sanitizer builds included
#   ./tarvex.sh bench          build and run the benchmarks, printing their figures
#   ./tarvex.sh package        build the Debian package into build/package/
#   ./tarvex.sh fuzz [SECONDS] build the fuzz targets and run each for SECONDS (default 60)
#   ./tarvex.sh soak [MINUTES] build the player and drive it MINUTES (default 30) with 36 windows
set -euo pipefail
cd "$(dirname "$0")"

usage() { sed -n '2,8p' "$0" | sed 's/^# \{0,1\}//'; }

command=${1:-}
[ $# -gt 0 ] && shift
case "$command" in
  start) scripts/install-deps.sh && scripts/build.sh build && exec scripts/start.sh "$@" ;;
  test) scripts/install-deps.sh && exec scripts/test.sh ;;
  bench) scripts/install-deps.sh bench && scripts/build.sh build && exec scripts/bench.sh "$@" ;;
  fuzz) scripts/install-deps.sh && CC=clang CXX=clang++ scripts/build.sh build-fuzz fuzzer fuzz_targets &&
    exec scripts/fuzz.sh "${1:-60}" ;;
  soak) scripts/install-deps.sh && scripts/build.sh build && exec scripts/soak.sh "$@" ;;
  package) scripts/install-deps.sh && scripts/build.sh build &&
    exec cpack --config build/CPackConfig.cmake -B build/package ;;
  -h|--help|help) usage ;;
  *) usage >&2; exit 2 ;;
esac
