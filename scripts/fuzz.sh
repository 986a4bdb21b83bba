#!/usr/bin/env bash
# Runs every fuzz target of build-fuzz/ for SECONDS each, one after another, from its seed corpus;
# what they find is kept in build-fuzz/fuzz-findings/<target>/ (crashes/ holds failing inputs).
# Usage: scripts/fuzz.sh SECONDS
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
status=0
for target in build-fuzz/tests/Fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  printf '%-20s ' "$name"
  tests/Fuzz/run_fuzz.sh "$target" "tests/Fuzz/corpus/$name" "$seconds" "build-fuzz/fuzz-findings/$name" || status=1
done
exit $status
