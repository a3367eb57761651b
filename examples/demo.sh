#!/bin/sh
# Runs both example programs on their built-in samples and leaves what they write in
# BUILD/demo: part.xml and part.json (the sample part, through the mesh writers),
# pocket.svg (the triangulated sample pocket) and tile.svg (an untidy map tile: loops that
# share segments, touch and run back over themselves).
#
#   sh examples/demo.sh [BUILD]      `make demo` calls it after building BUILD (build/)
set -e
cd "$(dirname "$0")/.."
build=${1:-build}
meshcheck=$build/examples/kelm-meshcheck
triangulate=$build/examples/kelm-triangulate

# A build folder configured without the examples gets them now.
if [ ! -x "$meshcheck" ] || [ ! -x "$triangulate" ]; then
    cmake -S . -B "$build" -DKELMMATH_BUILD_EXAMPLES=ON >/dev/null
    cmake --build "$build" --target kelm-meshcheck kelm-triangulate
fi

out=$build/demo
mkdir -p "$out"
echo "==== kelm-meshcheck: the sample part (a stock block with two coloured faces)"
"$meshcheck" --details --xml "$out/part.xml" --mesh-json "$out/part.json"
echo "==== kelm-triangulate: the sample pocket (an outer outline with two islands)"
"$triangulate" --svg "$out/pocket.svg"
echo "==== kelm-triangulate: a map tile (a lake cut by the border, buildings sharing a wall, a spike)"
"$triangulate" examples/data/tile.txt --fill nonzero --svg "$out/tile.svg"

dir=$(cd "$out" && pwd)
echo
echo "The demo wrote:"
echo "  $dir/part.xml     the sample part as mesh XML (read it back: $meshcheck $out/part.xml)"
echo "  $dir/part.json    the sample part as mesh JSON"
echo "  $dir/pocket.svg   the triangulated pocket (open it in a web browser)"
echo "  $dir/tile.svg     the triangulated map tile"
