#!/usr/bin/env bash
# Builds the reaction library and the example host with the "main" preset and
# runs the host: it loads libVrexDll.so with dlopen, integrates four nodes
# over a day of hourly reaction steps and one flushing step, prints the
# first node's course and draws its species into
# build/example-output/vrex-species.svg.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh main
cmake --preset main >/dev/null
cmake --build --preset main --target VrexDll vrex_host >/dev/null
mkdir -p build/example-output
build/main/examples/host/vrex_host --svg build/example-output/vrex-species.svg \
  build/main/reactionlib/libVrexDll.so
