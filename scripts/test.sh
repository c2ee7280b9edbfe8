#!/usr/bin/env bash
# Builds and runs every test. With no argument it uses the "dev" preset;
# name other presets (for example "asan") to run the suite under them too.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

presets=("$@")
((${#presets[@]})) || presets=(dev)

for preset in "${presets[@]}"; do
  echo "=== tests under preset '$preset' ==="
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j2
  ctest --preset "$preset"
done
