#!/usr/bin/env bash
# Builds the reaction library and the example host with the "dev" preset and
# runs the host: it loads libVrexDll.so with dlopen and integrates one node
# over a day of hourly reaction steps and one flushing step.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset dev >/dev/null
cmake --build --preset dev --target VrexDll vrex_host >/dev/null
build/dev/examples/host/vrex_host build/dev/reactionlib/libVrexDll.so
