#!/usr/bin/env bash
# Installs the build tree into a scratch prefix, then builds and runs a small
# host against it twice: through find_package(VrexDll) and through
# pkg-config. Arguments: the build directory and the C compiler.
set -euo pipefail
build=$1
cc=$2
here=$(cd "$(dirname "$0")" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

cmake --install "$build" --prefix "$scratch/prefix" >/dev/null

cmake -S "$here/consumer" -B "$scratch/consumer" -DCMAKE_C_COMPILER="$cc" \
      -DCMAKE_PREFIX_PATH="$scratch/prefix" >/dev/null
cmake --build "$scratch/consumer" >/dev/null
out=$("$scratch/consumer/consumer")
grep -q '^ VREX is Alive!$' <<<"$out"

export PKG_CONFIG_PATH="$scratch/prefix/lib/pkgconfig"
# shellcheck disable=SC2046
"$cc" -o "$scratch/pc-consumer" "$here/consumer/consumer.c" $(pkg-config --cflags --libs vrexdll)
LD_LIBRARY_PATH="$scratch/prefix/lib" "$scratch/pc-consumer" | grep -q '^ VREX is Alive!$'
echo "install tree usable through find_package and pkg-config"
