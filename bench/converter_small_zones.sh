#!/usr/bin/env bash
# Zonvert on files of many small zones, where a run's cost is its hand-overs
# between threads and its files' system calls rather than its bytes: the
# default thread count must be no slower than --threads 1.
#
# Generates, in a temporary folder, 10 000 zones of 100 nodes (48 bricks, 9
# values per node; 145 MB) and a million zones of one tetrahedron each (4
# nodes; 149 MB), then, in one run, times zonvert with its default thread
# count and with --threads 1:
#   - converting the 10 000 zones, as legacy and as XML files (best of three
#     alternating rounds),
#   - reading past the million zones (a starting zone after the last; best
#     of three),
#   - converting the million zones into a million legacy files (best of
#     two),
# and reports each time with the peak resident memory (GNU time). Within a
# round the two thread counts take turns going first: the run that follows
# another's million files, freed just before, finds the kernel's caches of
# files grown and runs about 5 % faster.
#
# The zone files go to a folder in /dev/shm (a tmpfs) where there is one, or
# to ZV_SCRATCH if set: on a disk, the file system's own work on ten
# thousand or a million new files (journal, write-back of the runs before)
# varies several times over from run to run and hides the converter's.
#
# Usage: bench/converter_small_zones.sh [path/to/zonvert]
# Without an argument it builds zonvert with the release preset. With
# ZV_BASELINE=/path/to/an/older/zonvert set, that program is timed in the
# same rounds with the same options.
set -euo pipefail
cd "$(dirname "$0")/.."

# shellcheck source=bench/converter_programs.sh
source bench/converter_programs.sh "$@"

work="$(mktemp -d)"
if [[ -n "${ZV_SCRATCH:-}" ]]; then
  scratch="$(mktemp -d "$ZV_SCRATCH/zonvert-bench-XXXXXX")"
elif [[ -d /dev/shm && -w /dev/shm ]]; then
  scratch="$(mktemp -d /dev/shm/zonvert-bench-XXXXXX)"
else
  scratch="$work"
fi
trap 'rm -rf "$work" "$scratch"' EXIT
echo "zone files go to $scratch"

echo "generating the input files..."
python3 scripts/gen_tecplot.py "$work/small.dat" --nx 4 --ny 4 --nz 3 --zones 10000
awk 'BEGIN {
  print "VARIABLES = \"X\", \"Y\", \"Z\", \"C\""
  for (k = 0; k < 1000000; k++)
    printf "ZONE T=\"TIME %d\", N=4, E=1, F=FEPOINT, ET=TETRAHEDRON\n0.0 0.0 0.0 %d.1\n1.0 0.0 0.0 %d.2\n0.0 1.0 0.0 %d.3\n0.0 0.0 1.0 %d.4\n1 2 3 4\n", k, k, k, k, k
}' >"$work/tiny.dat"
cat "$work/small.dat" "$work/tiny.dat" >/dev/null # into the page cache

programs=("zonvert|$zonvert")
[[ -n "$baseline" ]] && programs+=("baseline|$baseline")

# Times one case: its label, the rounds, the options (a word, or ""), the
# input and the arguments after it; each program with its default thread
# count and with --threads 1, in alternating rounds, the first in odd rounds
# the default, in even ones --threads 1.
time_case() {
  local label="$1" rounds="$2" format="$3" input="$4"
  shift 4
  declare -A best peak
  for ((round = 1; round <= rounds; round++)); do
    for entry in "${programs[@]}"; do
      IFS='|' read -r name program <<<"$entry"
      local order=(default 1)
      ((round % 2 == 0)) && order=(1 default)
      for threads in "${order[@]}"; do
        local options=()
        [[ -n $format ]] && options+=("$format")
        [[ $threads == 1 ]] && options+=(--threads 1)
        mkdir -p "$scratch/out"
        read -r seconds kb < <(time_of "$program" "${options[@]}" "$input" "$scratch/out/out.vtk" "$@")
        rm -rf "$scratch/out"
        local key="$name $threads"
        if [[ -z "${best[$key]:-}" ]] || (($(awk -v a="$seconds" -v b="${best[$key]}" 'BEGIN { print (a < b) }'))); then
          best[$key]=$seconds
        fi
        ((kb > ${peak[$key]:-0})) && peak[$key]=$kb
      done
    done
  done
  for entry in "${programs[@]}"; do
    IFS='|' read -r name _ <<<"$entry"
    awk -v label="$label" -v name="$name" -v d="${best[$name default]}" -v one="${best[$name 1]}" \
        -v dkb="${peak[$name default]}" -v onekb="${peak[$name 1]}" 'BEGIN {
      printf "%-44s %-8s default threads %6.3f s (peak %5.1f MB), --threads 1 %6.3f s (peak %5.1f MB): default takes %.2f of one thread\n",
             label ":", name, d, dkb / 1024, one, onekb / 1024, d / (one > 0 ? one : 0.01)
    }'
  done
}

time_case "10 000 zones of 100 nodes, converted" 3 "" "$work/small.dat"
time_case "10 000 zones of 100 nodes, --vtu" 3 --vtu "$work/small.dat"
time_case "1 000 000 tiny zones, read past" 3 "" "$work/tiny.dat" 1000000
time_case "1 000 000 tiny zones, converted" 2 "" "$work/tiny.dat"
