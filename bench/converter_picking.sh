#!/usr/bin/env bash
# What --zones, --variables and --list cost on the ~290 MB result file of
# converter_throughput.sh (10 hexahedral zones of 10 variables): every zone
# converted, every zone read past (--zones 10, beyond the last: nothing
# written), one zone of ten converted (--zones 9: nine read past), one scalar
# field of four (--variables C1), and the inventory (--list, --list --json),
# on 1 and 2 threads where threads apply, plain and gzip-compressed (gzip -1).
# Best of three alternating rounds each; MB/s of input text (for the gzip
# input: of the text it holds, the same file), and cp for comparison.
#
# Usage: bench/converter_picking.sh [path/to/zonvert]
# Without an argument it builds zonvert with the release preset. With
# ZV_BASELINE=/path/to/an/older/zonvert set, that program reads every zone
# of the plain file past too (a starting zone of 10, after the last) and
# converts every zone, in the same rounds.
set -euo pipefail
cd "$(dirname "$0")/.."

# shellcheck source=bench/converter_programs.sh
source bench/converter_programs.sh "$@"

make_large_input
gzip -1 -k "$input"
echo "input: $bytes bytes, gzip: $(stat -c %s "$input.gz") bytes"
cat "$input" "$input.gz" >/dev/null

# "label|command", timed in turn in each round.
configs=("cp|cp $input $work/copy.dat")
for source in "$input" "$input.gz"; do
  kind=plain
  [[ $source == *.gz ]] && kind=gzip
  for threads in 1 2; do
    run="$zonvert --quiet --threads $threads"
    configs+=("$kind, $threads thread(s): every zone converted|$run $source $work/out.vtk")
    configs+=("$kind, $threads thread(s): every zone read past (--zones 10)|$run --zones 10 $source $work/out.vtk")
    configs+=("$kind, $threads thread(s): zone 9 alone (--zones 9)|$run --zones 9 $source $work/out.vtk")
    configs+=("$kind, $threads thread(s): one field (--variables C1)|$run --variables C1 $source $work/out.vtk")
  done
  if [[ -n "$baseline" && $kind == plain ]]; then
    for threads in 1 2; do
      configs+=("baseline, $threads thread(s): every zone converted|$baseline --threads $threads $source $work/out.vtk")
      configs+=("baseline, $threads thread(s): every zone read past (start 10)|$baseline --threads $threads $source $work/out.vtk 10")
    done
  fi
  configs+=("$kind: --list|$zonvert --quiet --list $source")
  configs+=("$kind: --list --json|$zonvert --quiet --list --json $source")
done

declare -A best
for round in 1 2 3; do
  for config in "${configs[@]}"; do
    IFS='|' read -r label command <<<"$config"
    start=$(date +%s.%N)
    # shellcheck disable=SC2086 # the command is split into its words
    $command >/dev/null
    end=$(date +%s.%N)
    rm -f "$work"/copy.dat "$work"/out*.vt?
    seconds=$(awk -v a="$start" -v b="$end" 'BEGIN { print b - a }')
    if [[ -z "${best[$label]:-}" ]] || (($(awk -v a="$seconds" -v b="${best[$label]}" 'BEGIN { print (a < b) }'))); then
      best[$label]=$seconds
    fi
  done
done

for config in "${configs[@]}"; do
  IFS='|' read -r label _ <<<"$config"
  awk -v label="$label" -v b="$bytes" -v s="${best[$label]}" \
      'BEGIN { printf "%-58s %6.2f s %8.1f MB/s\n", label ":", s, b / 1e6 / (s > 0 ? s : 0.01) }'
done
