#!/usr/bin/env bash
# Configures (once) and builds one build folder: scripts/build.sh DIR [SANITIZER] [TARGET...]
# SANITIZER is "", "thread" or "address".
set -euo pipefail
cd "$(dirname "$0")/.."
dir=$1
sanitize=${2:-}
shift $(( $# < 2 ? $# : 2 ))
if [ ! -f "$dir/build.ninja" ]; then
  cmake -S . -B "$dir" -G Ninja -DTARVEX_SANITIZE="$sanitize" >"$dir.configure.log" 2>&1 \
    || { cat "$dir.configure.log" >&2; exit 1; }
fi
ninja -C "$dir" -j2 "$@"
