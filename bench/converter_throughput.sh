#!/usr/bin/env bash
# Throughput and peak memory of zonvert on a large result file.
#
# Generates a deterministic ~300 MB Tecplot file of 10 hexahedral zones with
# 10 variables in a temporary folder, then times zonvert on it and cp of the
# same file in the same run (best of three rounds each), and reports MB/s of input, the ratio to cp and
# zonvert's peak resident memory against the budget of twice the largest
# zone plus 16 MB.
#
# Usage: bench/converter_throughput.sh [path/to/zonvert]
# Without an argument it builds zonvert with the release preset.
set -euo pipefail
cd "$(dirname "$0")/.."

zonvert="${1:-}"
if [[ -z "$zonvert" ]]; then
  bash scripts/install-deps.sh bench
  cmake --preset release >/dev/null
  cmake --build --preset release -j2 --target zonvert
  zonvert="$PWD/build/release/converter/zonvert"
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
input="$work/results.dat"

echo "generating the input file..."
python3 scripts/gen_tecplot.py "$input" --nx 50 --ny 50 --nz 60 --zones 10 --concentrations 4
bytes=$(stat -c %s "$input")
# The largest zone: the bytes from one zone line to the next (all zones of
# this file are the same size, give or take a few bytes).
zone_bytes=$(awk '/^ZONE/ { if (start) { size = NR_bytes - start; if (size > max) max = size } start = NR_bytes }
                  { NR_bytes += length($0) + 1 }
                  END { size = NR_bytes - start; if (size > max) max = size; print max }' "$input")
echo "input: $bytes bytes, largest zone $zone_bytes bytes"

# Warm the page cache so both programs read from memory.
cat "$input" >/dev/null

time_of() { # prints "seconds peak_kB" of a command
  /usr/bin/time -f "%e %M" -o "$work/time.txt" "$@" >/dev/null
  cat "$work/time.txt"
}

# Three alternating rounds; the best time of each program counts, so that a
# burst of other load on the machine does not decide the ratio.
cp_seconds=""
zv_seconds=""
zv_peak_kb=0
for round in 1 2 3; do
  read -r seconds _ < <(time_of cp "$input" "$work/copy.dat")
  rm -f "$work/copy.dat"
  [[ -z "$cp_seconds" ]] || (( $(awk -v a="$seconds" -v b="$cp_seconds" 'BEGIN { print (a < b) }') )) && cp_seconds=$seconds
  read -r seconds peak < <(time_of "$zonvert" "$input" "$work/out.vtk")
  [[ -z "$zv_seconds" ]] || (( $(awk -v a="$seconds" -v b="$zv_seconds" 'BEGIN { print (a < b) }') )) && zv_seconds=$seconds
  (( peak > zv_peak_kb )) && zv_peak_kb=$peak
  rm -f "$work"/out*.vtk
done

awk -v b="$bytes" -v z="$zone_bytes" -v cps="$cp_seconds" -v zvs="$zv_seconds" -v peak="$zv_peak_kb" 'BEGIN {
  mb = b / 1e6
  cp_rate = mb / (cps > 0 ? cps : 0.01)
  zv_rate = mb / (zvs > 0 ? zvs : 0.01)
  budget_mb = 2 * z / 1048576 + 16
  printf "cp:      %.2f s  %8.1f MB/s\n", cps, cp_rate
  printf "zonvert: %.2f s  %8.1f MB/s  (%.3f of cp; target >= 0.100)\n", zvs, zv_rate, zv_rate / cp_rate
  printf "zonvert peak memory: %.1f MB (budget %.1f MB = 2 x largest zone + 16 MB)\n", peak / 1024, budget_mb
}'
