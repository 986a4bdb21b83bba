#!/usr/bin/env bash
# Starts the built player with the arguments given; with none, on a demo folder of generated
# recordings (made once, by the project's own generator, in build/demo): its first recording of
# channel 1 is opened, so that the folder is listed and that channel plays at once.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ $# -eq 0 ]; then
  demo=build/demo
  if [ ! -f "$demo/.complete" ]; then
    rm -rf "$demo"
    build/bin/tarvex-cli synth "$demo" --channels 4 --files 3 >/dev/null
    touch "$demo/.complete"
  fi
  first=$(find "$demo" -maxdepth 1 -name '*_ch1_*.rvf' | sort | head -n 1)
  set -- "$(realpath "${first:-$demo}")"
fi
exec build/bin/tarvex-player "$@"
