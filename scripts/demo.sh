#!/usr/bin/env bash
# The main job on bundled example data: builds the two deliverables with the
# "main" preset (a compiler, CMake and LAPACK are all it needs), converts the
# example Tecplot result file into one VTK file per zone (time step), then
# runs the example host that loads the reaction library at run time and
# draws the species it integrates (build/example-output/vrex-species.svg).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh main
cmake --preset main >/dev/null
cmake --build --preset main --target zonvert VrexDll vrex_host

out="$PWD/build/example-output"
mkdir -p "$out"
echo "=== zonvert: examples/plume.dat -> $out/plume<zone>.vtk ==="
./build/main/converter/zonvert examples/plume.dat "$out/plume.vtk"
echo "VTK files written:"
ls -l "$out"/plume*.vtk

echo
echo "=== VrexDll: example host integrating four nodes ==="
bash scripts/run-host-example.sh
