#!/bin/sh
# Builds and runs the consumer through pkg-config against an installed prefix.
# usage: pkgconfig.sh PREFIX SOURCE OUTDIR CXX
set -e
prefix=$1 source=$2 out=$3 cxx=${4:-c++}
pcdir=$(dirname "$(find "$prefix" -name kelmmath.pc | head -n 1)")
mkdir -p "$out"
export PKG_CONFIG_PATH="$pcdir"
# shellcheck disable=SC2046
"$cxx" -std=c++17 -o "$out/consumer" "$source" $(pkg-config --cflags --libs kelmmath)
LD_LIBRARY_PATH="$(pkg-config --variable=libdir kelmmath)" "$out/consumer"
