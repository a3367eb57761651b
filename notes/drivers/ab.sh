#!/bin/bash
# Runs ./phase2 from the current directory; LIBS (default /tmp/mf) holds A/ and B/.
# ab.sh N file : alternate A and B N times, print the min init and read user times
N=$1; F=$2
for i in $(seq $N); do for L in A B; do echo -n "$L "; LD_LIBRARY_PATH=${LIBS:-/tmp/mf}/$L ./phase2 $F; done; done | awk '{l=$1; r=substr($4,2); it=substr($9,2); if(!(l in mr)||r<mr[l])mr[l]=r; if(!(l in mi)||it<mi[l])mi[l]=it} END{for(l in mr) print l, "read", mr[l], "init", mi[l]}'
