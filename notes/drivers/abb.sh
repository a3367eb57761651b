#!/bin/bash
# Runs ./bsim from the current directory; LIBS (default /tmp/mf) holds A/ and B/.
# abb.sh N file: alternate A and B bsim runs, min and median check cpu over iterations 2-3
N=$1; F=$2
for i in $(seq $N); do for L in A B; do LD_LIBRARY_PATH=${LIBS:-/tmp/mf}/$L ./bsim $F | tail -2 | awk -v l=$L '{print l, $2}'; done; done | sort -k1,1 -k2n | awk '{a[$1]=a[$1]" "$2; n[$1]++} END{for(k in a){split(a[k],x," "); print k, "min", x[1], "median", x[int((n[k]+1)/2)]}}'
