# Sourced by the converter's benchmarks, with their arguments: sets
# `zonvert`, the program to time (the path given, or the release build made
# now), and `baseline`, an older build to time beside it (ZV_BASELINE, or
# empty).
zonvert="${1:-}"
if [[ -z "$zonvert" ]]; then
  bash scripts/install-deps.sh bench
  cmake --preset release >/dev/null
  cmake --build --preset release -j2 --target zonvert
  zonvert="$PWD/build/release/converter/zonvert"
fi
baseline="${ZV_BASELINE:-}"
