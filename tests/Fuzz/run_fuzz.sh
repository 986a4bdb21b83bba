#!/usr/bin/env bash
# Runs one fuzz target for SECONDS from its seed corpus. What it finds goes to FINDINGS (the
# repository's corpus is only read); a crash, leak or hang ends it with its input kept there.
# Usage: run_fuzz.sh TARGET CORPUS SECONDS FINDINGS
set -euo pipefail
target=$1 corpus=$2 seconds=$3 findings=$4
mkdir -p "$findings/new" "$findings/crashes"
export ASAN_OPTIONS="detect_leaks=1:allocator_may_return_null=1" UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
# Inputs are kept small: the formats' own limits are tried by the seeds, not by the mutator.
"$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 -print_final_stats=1 \
  -artifact_prefix="$findings/crashes/" "$findings/new" "$corpus" 2>"$findings/log.txt" || {
  tail -40 "$findings/log.txt"
  exit 1
}
grep -E "stat::number_of_executed_units|stat::new_units_added" "$findings/log.txt" | tr '\n' ' '
echo
