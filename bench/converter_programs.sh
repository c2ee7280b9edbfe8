# shellcheck shell=bash disable=SC2034 # sets variables for the script that sources it
# Sourced by the converter's benchmarks, with their arguments: sets
# `zonvert`, the program to time (the path given, or the release build made
# now), and `baseline`, an older build to time beside it (ZV_BASELINE, or
# empty); defines make_large_input, which makes the folder "$work" and the
# input file the throughput benchmarks share, and time_of and time_rounds,
# which keep their notes in "$work".
zonvert="${1:-}"
if [[ -z "$zonvert" ]]; then
  bash scripts/install-deps.sh bench
  cmake --preset release >/dev/null
  cmake --build --preset release -j2 --target zonvert
  zonvert="$PWD/build/release/converter/zonvert"
fi
baseline="${ZV_BASELINE:-}"

# Makes the temporary folder "$work" (removed when the script exits) and in
# it "$input", the ~290 MB file of 10 hexahedral zones of 10 variables;
# sets `bytes` to its size.
make_large_input() {
  work="$(mktemp -d)"
  trap 'rm -rf "$work"' EXIT
  input="$work/results.dat"
  echo "generating the input file..."
  python3 scripts/gen_tecplot.py "$input" --nx 50 --ny 50 --nz 60 --zones 10 --concentrations 4
  bytes=$(stat -c %s "$input")
}

# Prints "seconds peak_kB" of a command. The seconds come from the shell's
# clock in microseconds: GNU time's elapsed time has steps of 10 ms, 5 % of
# a run of 0.2 s, too coarse for a ratio of two such runs.
time_of() {
  # Microseconds, whatever the locale's decimal point.
  local start=${EPOCHREALTIME/[^0-9]/}
  /usr/bin/time -f "%M" -o "$work/time.txt" "$@" >/dev/null
  local end=${EPOCHREALTIME/[^0-9]/}
  awk -v us="$((end - start))" -v kb="$(tail -n 1 "$work/time.txt")" 'BEGIN { printf "%.4f %d\n", us / 1e6, kb }'
}

# Times each entry of the array `configs`, "label|...|command" (the command
# its last field, split into words), in three alternating rounds, so that a
# burst of other load on the machine does not decide a ratio; the second
# round takes them in the opposite order, so that of two entries side by
# side neither always runs first. Removes the files a run leaves in "$work"
# (copy.dat, out*.vt?) after each. Sets best[label] to the best time in
# seconds and peak[label] to the largest peak resident memory in kB.
declare -A best peak
time_rounds() {
  local round config label command seconds kb k
  local -a order
  for round in 1 2 3; do
    order=("${configs[@]}")
    if ((round == 2)); then
      order=()
      for ((k = ${#configs[@]} - 1; k >= 0; k--)); do
        order+=("${configs[k]}")
      done
    fi
    # The first run of a round, right after the removals of the round
    # before, took up to a fifth longer on this project's machine than the
    # same run later in the round: a run first, untimed, takes that.
    command="${order[0]##*|}"
    # shellcheck disable=SC2086 # the command is split into its words
    $command >/dev/null
    rm -f "$work"/copy.dat "$work"/out*.vt?
    for config in "${order[@]}"; do
      label="${config%%|*}"
      command="${config##*|}"
      # shellcheck disable=SC2086 # the command is split into its words
      read -r seconds kb < <(time_of $command)
      rm -f "$work"/copy.dat "$work"/out*.vt?
      if [[ -z "${best[$label]:-}" ]] || (($(awk -v a="$seconds" -v b="${best[$label]}" 'BEGIN { print (a < b) }'))); then
        best[$label]=$seconds
      fi
      if ((kb > ${peak[$label]:-0})); then
        peak[$label]=$kb
      fi
    done
  done
}
