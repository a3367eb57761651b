#!/bin/sh
# share.sh LIBDIR [reads]: expat's share of the reader's samples and the implied read/bare ratio
LD_LIBRARY_PATH=$1 perf record -o /tmp/xs/share.data ${DRV:-/tmp/xs/drv} read ${2:-8} > /dev/null 2>&1
perf report -i /tmp/xs/share.data --no-children --sort dso 2>/dev/null | grep -v '^#' | grep '%' | awk '{gsub("%","",$1); s[$2]=$1} END {printf "expat %.2f%% kernel %.2f%% lib %.2f%% stdc++ %.2f%% libc %.2f%%  ratio %.3f\n", s["libexpat.so.1.8.10"], s["[kernel.kallsyms]"], s["libkelmmath.so.1.0.0"], s["libstdc++.so.6.0.30"], s["libc.so.6"], 93.28/s["libexpat.so.1.8.10"]}'
