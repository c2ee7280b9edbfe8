#!/usr/bin/env bash
# The installed package serves hosts through find_package(VrexDll) and
# pkg-config, whatever the library folder is called.
#
# Three installs are checked: the build tree under test, installed into a
# scratch prefix; and the library configured afresh with the default prefix
# and CMAKE_INSTALL_LIBDIR set to lib/x86_64-linux-gnu (Debian's multiarch
# folder) and to lib64, each staged into a scratch folder with DESTDIR. For
# every install a small C host and a small Fortran host (with the installed
# module vrex.f90) are built and run twice each: once found with
# find_package, once with the flags and the module pkg-config gives.
#
# Every command and its output go to a log, which is printed when a step
# fails.
#
# Arguments: build directory, source directory, C compiler, cmake, pkg-config,
# CMake generator, Fortran compiler.
set -euo pipefail
build=$1 source=$2 cc=$3 cmake=$4 pkgconfig=$5 generator=$6 fc=$7
here=$(cd "$(dirname "$0")" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
log="$scratch/log"
: >"$log"

fail() {
  echo "FAILED: $*"
  echo "---- commands run and their output ----"
  cat "$log"
  exit 1
}

# Runs a command, appending the command and its output to the log.
run() {
  echo "+ $*" >>"$log"
  "$@" >>"$log" 2>&1 || fail "$*"
}

# Builds the consumers both ways against the install whose prefix is $1 and
# library folder $2 (relative to the prefix), and checks what they print.
# Further arguments go to the consumers' CMake configuration.
check_consumer() {
  local prefix=$1 libdir=$2 name=$3 out language
  shift 3
  for language in c fortran; do
    local project="$here/consumer" build="$scratch/$name-consumer-$language"
    [[ "$language" == fortran ]] && project="$here/fortran-consumer"
    run "$cmake" -S "$project" -B "$build" -G "$generator" -DCMAKE_C_COMPILER="$cc" \
        -DCMAKE_Fortran_COMPILER="$fc" -DCMAKE_PREFIX_PATH="$prefix" "$@"
    run "$cmake" --build "$build"
    out=$("$build/consumer" 2>&1) || fail "$name: find_package $language consumer exited $?: $out"
    echo "find_package $language consumer printed: $out" >>"$log"
    grep -qxF ' VREX is Alive!' <<<"$out" || fail "$name: find_package $language consumer printed: $out"
  done

  export PKG_CONFIG_PATH="$prefix/$libdir/pkgconfig"
  local flags pcLibdir
  flags=$("$pkgconfig" --cflags --libs vrexdll) || fail "$name: pkg-config finds no vrexdll in $PKG_CONFIG_PATH"
  pcLibdir=$("$pkgconfig" --variable=libdir vrexdll)
  echo "pkg-config: $flags (libdir $pcLibdir)" >>"$log"
  [[ -e "$pcLibdir/libVrexDll.so" ]] || fail "$name: pkg-config's libdir $pcLibdir holds no libVrexDll.so"
  # shellcheck disable=SC2086
  run "$cc" -o "$scratch/$name-pc-consumer" "$here/consumer/consumer.c" $flags
  out=$(LD_LIBRARY_PATH="$pcLibdir" "$scratch/$name-pc-consumer" 2>&1) ||
    fail "$name: pkg-config consumer exited $?: $out"
  echo "pkg-config consumer printed: $out" >>"$log"
  grep -qxF ' VREX is Alive!' <<<"$out" || fail "$name: pkg-config consumer printed: $out"

  # Fortran: the module's source first, so that its .mod exists for the host.
  local module
  module=$("$pkgconfig" --variable=fortran_module vrexdll)
  [[ -f "$module" ]] || fail "$name: pkg-config's fortran_module $module is no file"
  mkdir -p "$scratch/$name-pc-modules"
  # shellcheck disable=SC2086
  run "$fc" -J "$scratch/$name-pc-modules" -o "$scratch/$name-pc-fortran-consumer" "$module" \
      "$here/fortran-consumer/consumer.f90" $("$pkgconfig" --libs vrexdll)
  out=$(LD_LIBRARY_PATH="$pcLibdir" "$scratch/$name-pc-fortran-consumer" 2>&1) ||
    fail "$name: pkg-config Fortran consumer exited $?: $out"
  echo "pkg-config Fortran consumer printed: $out" >>"$log"
  grep -qxF ' VREX is Alive!' <<<"$out" || fail "$name: pkg-config Fortran consumer printed: $out"
}

# The build tree under test, with its own library folder.
libdir=$(sed -n 's/^CMAKE_INSTALL_LIBDIR:PATH=//p' "$build/CMakeCache.txt")
run "$cmake" --install "$build" --prefix "$scratch/tree"
check_consumer "$scratch/tree" "$libdir" tree

# Fresh configurations with the default prefix and other library folders.
for libdir in lib/x86_64-linux-gnu lib64; do
  name=${libdir//\//-}
  run "$cmake" -S "$source" -B "$scratch/$name-build" -G "$generator" -DZV_BUILD_TESTS=OFF \
      -DCMAKE_INSTALL_LIBDIR="$libdir"
  run "$cmake" --build "$scratch/$name-build" --target VrexDll
  prefix=$(sed -n 's/^CMAKE_INSTALL_PREFIX:PATH=//p' "$scratch/$name-build/CMakeCache.txt")
  DESTDIR="$scratch/$name-root" run "$cmake" --install "$scratch/$name-build" --component VrexDll
  # A Debian host's CMake looks in lib/<multiarch> but not in lib64, which
  # only platforms that install there search; the consumer of the lib64
  # install searches as such a platform does.
  platform=()
  [[ "$libdir" == lib64 ]] && platform=(-DCMAKE_PROJECT_INCLUDE="$here/lib64-platform.cmake")
  check_consumer "$scratch/$name-root$prefix" "$libdir" "$name" "${platform[@]}"
done
echo "install trees usable from C and Fortran through find_package and pkg-config (libdirs lib, lib/x86_64-linux-gnu, lib64)"
