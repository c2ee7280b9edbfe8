#!/usr/bin/env bash
# Builds the libFuzzer targets with the "fuzz" preset and runs each of them
# for the given number of seconds (default 60) on its committed corpus.
# Findings are written to build/fuzz/findings/; the script fails on any.
#
# Usage: scripts/fuzz.sh [seconds] [target...]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-60}"
shift || true
targets=("$@")
((${#targets[@]})) || targets=(converter_fuzzer)

bash scripts/install-deps.sh
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j2 --target "${targets[@]}"

findings="$PWD/build/fuzz/findings"
mkdir -p "$findings"
for target in "${targets[@]}"; do
  corpus="$PWD/fuzz/corpus/${target%_fuzzer}"
  work="$(mktemp -d)"   # new inputs found in this run stay out of the repository
  echo "=== $target: ${seconds}s on $corpus ==="
  # A reaction step that runs its Newton iteration to the 100000-iteration
  # limit takes seconds under the sanitizers: bounded, but not quick.
  timeout=10
  [[ "$target" == invokevrex_fuzzer ]] && timeout=60
  "./build/fuzz/fuzz/$target" "$work" "$corpus" \
    -max_total_time="$seconds" -timeout="$timeout" -rss_limit_mb=2048 -max_len=65536 \
    -close_fd_mask=1 -artifact_prefix="$findings/$target-" -print_final_stats=1 2>&1 | tail -n 25
  rm -rf "$work"
done
