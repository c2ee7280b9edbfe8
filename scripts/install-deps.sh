#!/usr/bin/env bash
# Installs the Debian packages a job needs, skipping the ones that are
# already there. Safe to run repeatedly.
#
# Usage: scripts/install-deps.sh [main|test|bench|fuzz]...
#   main   the two deliverables and the example host: a compiler, CMake,
#          Ninja, LAPACK, libdeflate and liblz4 (zonvert's XML files), and
#          zlib and libzstd (zonvert reads gzip and zstd input), nothing else
#   test   main plus what only the tests need (GoogleTest, gfortran for the
#          reference formatter, valgrind, Python's VTK, pkg-config, and
#          the locale sources from which the locale test makes a
#          comma-decimal locale)
#   bench  main plus Google Benchmark and the tools of the throughput script
#          (GNU time, Python, Python's VTK for reading the files back)
#   fuzz   main plus clang and its fuzzer and sanitizer runtimes
# Without an argument: everything.
set -euo pipefail

main=(cmake g++ make ninja-build liblapack-dev libblas-dev libdeflate-dev liblz4-dev zlib1g-dev libzstd-dev)
test=(libgtest-dev libgmock-dev gfortran valgrind python3 python3-vtk9 pkg-config locales)
bench=(libbenchmark-dev python3 python3-vtk9 time)
fuzz=(clang libclang-rt-14-dev)

profiles=("$@")
((${#profiles[@]})) || profiles=(test bench fuzz)

packages=("${main[@]}")
for profile in "${profiles[@]}"; do
  case "$profile" in
  main) ;;
  test) packages+=("${test[@]}") ;;
  bench) packages+=("${bench[@]}") ;;
  fuzz) packages+=("${fuzz[@]}") ;;
  *)
    echo "install-deps.sh: unknown profile '$profile' (main, test, bench, fuzz)" >&2
    exit 2
    ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
((${#missing[@]})) || exit 0

echo "installing: ${missing[*]}"
SUDO=""
[[ $(id -u) -ne 0 ]] && SUDO="sudo"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
