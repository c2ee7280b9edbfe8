#!/usr/bin/env bash
# Builds the libFuzzer targets with the "fuzz" preset and runs each of them
# for the given number of seconds (default 60) on its committed corpus.
# Findings are written to build/fuzz/findings/; the script fails on any.
# New inputs and the files the fuzzers write go to a temporary folder of this
# run, removed at the end.
#
# Usage: scripts/fuzz.sh [seconds] [target...]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-60}"
shift || true
targets=("$@")
((${#targets[@]})) || targets=(converter_fuzzer)

bash scripts/install-deps.sh fuzz
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target "${targets[@]}"

findings="$PWD/build/fuzz/findings"
mkdir -p "$findings"
run_folder="$(mktemp -d)"
trap 'rm -rf "$run_folder"' EXIT
export ZV_FUZZ_SCRATCH="$run_folder"
for target in "${targets[@]}"; do
  corpus="$PWD/fuzz/corpus/${target%_fuzzer}"
  work="$run_folder/$target-corpus" # new inputs stay out of the repository
  mkdir -p "$work"
  echo "=== $target: ${seconds}s on $corpus ==="
  # A reaction step that runs its Newton iteration to the 100000-iteration
  # limit takes seconds under the sanitizers: bounded, but not quick.
  timeout=10
  [[ "$target" == invokevrex_fuzzer ]] && timeout=60
  "./build/fuzz/fuzz/$target" "$work" "$corpus" \
    -max_total_time="$seconds" -timeout="$timeout" -rss_limit_mb=2048 -max_len=65536 \
    -close_fd_mask=1 -artifact_prefix="$findings/$target-" -print_final_stats=1 >"$run_folder/$target.log" 2>&1 ||
    { tail -n 60 "$run_folder/$target.log"; exit 1; }
  tail -n 12 "$run_folder/$target.log"
done
