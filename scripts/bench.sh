#!/usr/bin/env bash
# Runs every benchmark of the plain build; each prints its figures and its ratio to the limit or
# baseline measured in the same run.
set -euo pipefail
cd "$(dirname "$0")/.."
for b in build/bench/*/bench_*; do
  [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  "$b" "$@"
done
