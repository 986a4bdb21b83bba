#!/usr/bin/env bash
# Starts the built player with the arguments given.
set -euo pipefail
cd "$(dirname "$0")/.."
exec build/bin/tarvex-player "$@"
