#!/usr/bin/env bash
# The main job on bundled example data: builds the project, converts the
# example Tecplot result file into one VTK file per zone (time step), then
# runs the example host that loads the reaction library at run time.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake --preset dev >/dev/null
cmake --build --preset dev -j2 --target zonvert

out="$PWD/build/example-output"
mkdir -p "$out"
echo "=== zonvert: examples/plume.dat -> $out/plume<zone>.vtk ==="
./build/dev/converter/zonvert examples/plume.dat "$out/plume.vtk"
echo "VTK files written:"
ls -l "$out"/plume*.vtk

echo
echo "=== VrexDll: example host integrating one node ==="
bash scripts/run-host-example.sh
