#!/usr/bin/env bash
# The Fortran example host, its nodes on four OpenMP threads, prints the
# bits the C example host prints: every status and concentration of every
# node and step. With a stack size given, the OpenMP workers get that much
# stack (the stack vrex.h states and 8 KiB for the thread itself).
#
# Arguments: C host, Fortran host, library, OMP_STACKSIZE (may be empty).
set -euo pipefail
c_host=$1 fortran_host=$2 library=$3 stack=$4
expected=$("$c_host" --bits "$library")
if [[ -n "$stack" ]]; then
  export OMP_STACKSIZE=$stack
fi
actual=$(OMP_NUM_THREADS=4 "$fortran_host" --bits)
if [[ "$actual" != "$expected" ]]; then
  echo "the Fortran host's bits differ from the C host's:"
  diff <(echo "$expected") <(echo "$actual") | head -20
  exit 1
fi
lines=$(wc -l <<<"$expected")
echo "$lines lines of bits alike (OMP_STACKSIZE=${stack:-default})"
