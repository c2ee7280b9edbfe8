#!/usr/bin/env bash
# Throughput and peak memory of zonvert on a large result file, and how fast
# VTK reads what it wrote back.
#
# Generates a deterministic ~290 MB Tecplot file of 10 hexahedral zones with
# 10 variables in a temporary folder, then, in one run, times cp of the file
# and zonvert on it with 1 and 2 threads, writing legacy (.vtk) and XML
# (.vtu, zlib- and LZ4-compressed) files (best of three alternating rounds
# each, so that a burst of other load on the machine does not decide a
# ratio). It reports MB/s of input, the ratio to cp, the speed-up of 2
# threads over 1, and zonvert's peak resident memory against its stated
# bound, 8 MiB + threads x 1.5 MiB + 2 x (threads + 1) x the largest zone
# (taken as its bytes in the file: its node numbers have four digits or
# more, so its element lines hold more text than the 5 bytes per corner the
# bound counts), for XML files + 2 x threads x its cells (5 bytes per corner
# and 9 per cell; taken as the zone's bytes too, which hold more). Then
# it times VTK's own readers (python3-vtk9) reading all zone files back:
# vtkUnstructuredGridReader for the legacy ASCII files, vtkXMLUnstructured-
# GridReader for the XML ones (zlib and LZ4).
#
# Usage: bench/converter_throughput.sh [path/to/zonvert]
# Without an argument it builds zonvert with the release preset. With
# ZV_BASELINE=/path/to/an/older/zonvert set, that program is timed in the
# same rounds with the same options (--threads 1 or 2, with and without
# --vtu), so that each figure has its like to compare with; it must take
# those options.
set -euo pipefail
cd "$(dirname "$0")/.."

# shellcheck source=bench/converter_programs.sh
source bench/converter_programs.sh "$@"

make_large_input
# The largest zone: the bytes from one zone line to the next.
zone_bytes=$(awk '/^ZONE/ { if (start) { size = NR_bytes - start; if (size > max) max = size } start = NR_bytes }
                  { NR_bytes += length($0) + 1 }
                  END { size = NR_bytes - start; if (size > max) max = size; print max }' "$input")
echo "input: $bytes bytes, largest zone $zone_bytes bytes"

# Warm the page cache so every program reads from memory.
cat "$input" >/dev/null

# The configurations timed, each as "label|threads|command".
configs=()
for format in legacy vtu vtu-lz4; do
  option=""
  [[ $format == vtu ]] && option="--vtu"
  [[ $format == vtu-lz4 ]] && option="--vtu --compress lz4"
  for threads in 1 2; do
    configs+=("zonvert $format, $threads thread(s)|$threads|$zonvert --threads $threads $option $input $work/out.vtk")
    # The baseline has no --compress.
    [[ -n "$baseline" && $format != vtu-lz4 ]] &&
      configs+=("baseline $format, $threads thread(s)|$threads|$baseline --threads $threads $option $input $work/out.vtk")
  done
done
configs+=("cp|0|cp $input $work/copy.dat")

time_rounds

for config in "${configs[@]}"; do
  IFS='|' read -r label threads _ <<<"$config"
  cells=0
  [[ $label == *vtu* ]] && cells=$zone_bytes
  awk -v label="$label" -v t="$threads" -v b="$bytes" -v z="$zone_bytes" -v c="$cells" -v s="${best[$label]}" \
      -v cps="${best[cp]}" -v kb="${peak[$label]}" 'BEGIN {
    mb = b / 1e6
    rate = mb / (s > 0 ? s : 0.01)
    cp_rate = mb / (cps > 0 ? cps : 0.01)
    if (t == 0) { printf "%-28s %6.3f s %8.1f MB/s\n", label ":", s, rate; exit }
    held = (t + 1) * z / 1048576
    bound = 8 + t * 1.5 + 2 * (held > 1 ? held : 1) + 2 * t * c / 1048576
    printf "%-28s %6.3f s %8.1f MB/s (%.3f of cp), peak %.1f MiB of %.1f MiB (8 + %d x 1.5 + 2 x (%d + 1) x zone%s)%s\n",
           label ":", s, rate, rate / cp_rate, kb / 1024, bound, t, t, (c > 0 ? sprintf(" + 2 x %d x cells", t) : ""),
           (kb / 1024 > bound ? " OVER" : "")
  }'
done
for format in legacy vtu vtu-lz4; do
  for program in zonvert baseline; do
    [[ $program == baseline && ( -z "$baseline" || $format == vtu-lz4 ) ]] && continue
    awk -v f="$format" -v p="$program" -v one="${best["$program $format, 1 thread(s)"]}" \
        -v two="${best["$program $format, 2 thread(s)"]}" \
        'BEGIN { printf "%s %s: 2 threads are %.2f times as fast as 1\n", p, f, one / (two > 0 ? two : 0.01) }'
  done
  if [[ -n "$baseline" && $format != vtu-lz4 ]]; then
    for threads in 1 2; do
      awk -v f="$format" -v t="$threads" -v old="${best["baseline $format, $threads thread(s)"]}" \
          -v new="${best["zonvert $format, $threads thread(s)"]}" \
          'BEGIN { printf "%s, %d thread(s): %.2f times as fast as the baseline\n", f, t, old / (new > 0 ? new : 0.01) }'
    done
  fi
done

# VTK reading every zone file back, as a viewer opening the time series does.
echo "reading the zone files back with VTK..."
"$zonvert" "$input" "$work/legacy.vtk" >/dev/null
"$zonvert" --vtu "$input" "$work/xml.vtk" >/dev/null
"$zonvert" --vtu --compress lz4 "$input" "$work/lz4.vtk" >/dev/null
/usr/bin/python3 - "$work" <<'PYTHON'
import glob
import sys
import time

import vtk

folder = sys.argv[1]
for label, pattern, make in (("legacy ASCII (.vtk)", "legacy[0-9]*.vtk", vtk.vtkUnstructuredGridReader),
                             ("XML binary (.vtu)", "xml[0-9]*.vtu", vtk.vtkXMLUnstructuredGridReader),
                             ("XML, LZ4 (.vtu)", "lz4[0-9]*.vtu", vtk.vtkXMLUnstructuredGridReader)):
    files = sorted(glob.glob(folder + "/" + pattern))
    start = time.perf_counter()
    points = 0
    for path in files:
        reader = make()
        reader.SetFileName(path)
        if hasattr(reader, "ReadAllScalarsOn"):
            reader.ReadAllScalarsOn()
            reader.ReadAllVectorsOn()
        reader.Update()
        points += reader.GetOutput().GetNumberOfPoints()
    print("VTK reads %2d %-20s %6.2f s (%d points)" % (len(files), label + ":", time.perf_counter() - start, points))
PYTHON
