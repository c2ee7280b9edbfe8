#!/usr/bin/env bash
# zonvert on gzip and zstd input against the same text uncompressed.
#
# Generates the ~290 MB file of converter_throughput.sh, compresses it with
# gzip -6 and zstd -3 (the tools' defaults), then, in alternating rounds
# (best of three, so that a burst of other load on the machine does not
# decide a ratio), times zonvert on each of the three with 1 and 2 threads,
# writing legacy files, and the decompressors alone (gzip -dc and zstd -dc
# into /dev/null) for what the decompression itself costs. It reports MB/s
# of text (the uncompressed bytes), the ratio to plain input, and peak
# resident memory.
#
# Usage: bench/converter_compressed.sh [path/to/zonvert]
# Without an argument it builds zonvert with the release preset.
set -euo pipefail
cd "$(dirname "$0")/.."

# shellcheck source=bench/converter_programs.sh
source bench/converter_programs.sh "$@"

make_large_input
gzip -6 -k "$input"
zstd -3 -q -k "$input"
echo "text: $bytes bytes; gzip: $(stat -c %s "$input.gz") bytes; zstd: $(stat -c %s "$input.zst") bytes"
cat "$input" "$input.gz" "$input.zst" >/dev/null

# The configurations timed, each as "label|command".
configs=()
for input_kind in plain gzip zstd; do
  file="$input"
  [[ $input_kind == gzip ]] && file="$input.gz"
  [[ $input_kind == zstd ]] && file="$input.zst"
  for threads in 1 2; do
    configs+=("zonvert $input_kind, $threads thread(s)|$zonvert --threads $threads $file $work/out.vtk")
  done
done
configs+=("gzip -dc alone|gzip -dc $input.gz" "zstd -dc alone|zstd -dc $input.zst")

time_rounds

for config in "${configs[@]}"; do
  IFS='|' read -r label _ <<<"$config"
  threads="${label##*, }"
  plain="${best["zonvert plain, $threads"]:-}"
  awk -v label="$label" -v b="$bytes" -v s="${best[$label]}" -v p="$plain" -v kb="${peak[$label]}" 'BEGIN {
    rate = b / 1e6 / (s > 0 ? s : 0.01)
    printf "%-28s %6.3f s %8.1f MB/s of text, peak %.1f MB", label ":", s, rate, kb / 1024
    if (p != "") printf " (%.2f of plain input)", p / (s > 0 ? s : 0.01)
    printf "\n"
  }'
done
