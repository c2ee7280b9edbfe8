#!/usr/bin/env bash
# Builds and runs every test. With no preset named it uses "dev"; name other
# test presets (release-tests, asan) to run the suite under them too, or
# "tsan" for the concurrency test under ThreadSanitizer.
#
# Under "dev" the tests of the loaded library and the example host then run
# once more under valgrind's memory checker (ctest -T memcheck), leaving out
# the tests labelled "slow".
#
# --makefiles builds with the "Unix Makefiles" generator instead of the
# presets' Ninja, in build/<preset>-makefiles.
#
# Usage: scripts/test.sh [--makefiles] [preset...]
set -euo pipefail
cd "$(dirname "$0")/.."

generator=()
suffix=""
if [[ "${1:-}" == --makefiles ]]; then
  generator=(-G "Unix Makefiles")
  suffix="-makefiles"
  shift
fi
presets=("$@")
((${#presets[@]})) || presets=(dev)

bash scripts/install-deps.sh test

for preset in "${presets[@]}"; do
  if [[ "$preset" == tsan ]]; then
    # ThreadSanitizer: only the concurrency test, whose targets the build
    # preset names and whose label the test preset selects.
    echo "=== the concurrency test under ThreadSanitizer in build/tsan ==="
    cmake --preset tsan >/dev/null
    cmake --build --preset tsan
    ctest --preset tsan
    continue
  fi
  dir="build/$preset$suffix"
  echo "=== tests under preset '$preset' in $dir ==="
  cmake --preset "$preset" -B "$dir" "${generator[@]}" >/dev/null
  cmake --build "$dir" -j2
  ctest --test-dir "$dir" -j2 --timeout 900 --output-on-failure

  if [[ "$preset" == dev ]]; then
    echo "=== the loaded library under valgrind ==="
    if ! ctest --test-dir "$dir" -T memcheck -L loaded-library -LE slow -j2 --timeout 900 --output-on-failure; then
      for log in "$dir"/Testing/Temporary/MemoryChecker.*.log; do
        [[ -s "$log" ]] && { echo "--- $log"; cat "$log"; }
      done
      exit 1
    fi
  fi
done
