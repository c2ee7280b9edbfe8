#!/usr/bin/env bash
# Builds the reaction library and the example host with the "main" preset and
# runs the host: it loads libVrexDll.so with dlopen and integrates one node
# over a day of hourly reaction steps and one flushing step.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh main
cmake --preset main >/dev/null
cmake --build --preset main --target VrexDll vrex_host >/dev/null
build/main/examples/host/vrex_host build/main/reactionlib/libVrexDll.so
