#!/usr/bin/env bash
# Starts the built player with the arguments given; with none, on a demo folder of generated
# recordings (made once, by the project's own generator, in build/demo).
set -euo pipefail
cd "$(dirname "$0")/.."
if [ $# -eq 0 ]; then
  demo=build/demo
  if [ ! -f "$demo/.complete" ]; then
    rm -rf "$demo"
    build/bin/tarvex-cli synth "$demo" --channels 4 --files 3 >/dev/null
    touch "$demo/.complete"
  fi
  set -- "$(realpath "$demo")"
fi
exec build/bin/tarvex-player "$@"
