#!/usr/bin/env bash
# Continuous integration for the example programs: runs both on their samples and on
# broken input, checks every exit status, checks that docs/pocket.svg is what the demo
# draws, and builds the examples once more against the installed package.
#
#   bash examples/ci.sh [BUILD]      (.ci/run calls it with build/, after make test)
set -uo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
data=examples/data

if [ ! -x "$build/examples/kelm-meshcheck" ] || [ ! -x "$build/examples/kelm-triangulate" ]; then
    cmake -S . -B "$build" -DKELMMATH_BUILD_EXAMPLES=ON >/dev/null || exit 1
    cmake --build "$build" --target kelm-meshcheck kelm-triangulate || exit 1
fi
meshcheck=$build/examples/kelm-meshcheck
triangulate=$build/examples/kelm-triangulate

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0

# expect STATUS WHAT COMMAND...: runs COMMAND and checks its exit status; on a mismatch
# shows what it printed.
expect() {
    local want=$1 what=$2
    shift 2
    local out got
    out=$("$@" 2>&1)
    got=$?
    if [ "$got" = "$want" ]; then
        echo "ok    $what (exit $got)"
    else
        echo "FAIL  $what: exit $got, expected $want"
        printf '%s\n' "$out" | sed 's/^/      /'
        failures=$((failures + 1))
    fi
}

# fail_unless WHAT CONDITION...: a check that is not an exit status.
fail_unless() {
    local what=$1
    shift
    if "$@"; then
        echo "ok    $what"
    else
        echo "FAIL  $what"
        failures=$((failures + 1))
    fi
}

expect 0 "kelm-meshcheck on the built-in part" \
    "$meshcheck" --details --xml "$tmp/part.xml" --mesh-json "$tmp/part.json"
expect 0 "kelm-meshcheck re-reads the XML it wrote" "$meshcheck" "$tmp/part.xml"
expect 0 "kelm-meshcheck on two shells, with the dump" "$meshcheck" --details --dump "$data/two-shells.xml"
expect 1 "kelm-meshcheck on a mesh with a flipped facet" "$meshcheck" "$data/flipped-facet.xml"
# The check report: one JSON object per shell, the repair and the drawing.
expect 0 "kelm-meshcheck --json on two shells" "$meshcheck" --json --intersections "$data/two-shells.xml"
"$meshcheck" --json "$data/two-shells.xml" >"$tmp/report.json" 2>&1
fail_unless "kelm-meshcheck --json prints one object per shell and nothing else" \
    test "$(grep -c '^{"id": .*"clean": true}$' "$tmp/report.json")" = 2 -a \
    "$(wc -l <"$tmp/report.json")" = 2
expect 1 "kelm-meshcheck repairs a flipped facet" \
    "$meshcheck" --repair "$tmp/repaired.xml" --svg "$tmp/flipped.svg" --view top "$data/flipped-facet.xml"
expect 0 "kelm-meshcheck finds the repaired mesh clean" "$meshcheck" "$tmp/repaired.xml"
fail_unless "kelm-meshcheck --svg writes a drawing with the misoriented edges marked" \
    grep -q 'stroke="orange"' "$tmp/flipped.svg"
"$meshcheck" --repair "$tmp/part-repaired.xml" "$tmp/part.xml" >/dev/null 2>&1
fail_unless "kelm-meshcheck --repair leaves a clean part byte for byte" \
    cmp -s "$tmp/part.xml" "$tmp/part-repaired.xml"
expect 2 "kelm-meshcheck with an unknown view" "$meshcheck" --svg "$tmp/x.svg" --view back
expect 2 "kelm-meshcheck on malformed XML" "$meshcheck" "$data/malformed.xml"
expect 2 "kelm-meshcheck on a missing file" "$meshcheck" "$data/no-such-file.xml"
expect 2 "kelm-meshcheck with a good and a missing file" \
    "$meshcheck" "$data/two-shells.xml" "$data/no-such-file.xml"

expect 0 "kelm-triangulate on the built-in pocket" "$triangulate" --svg "$tmp/pocket.svg"
expect 0 "kelm-triangulate on the pocket file" "$triangulate" "$data/pocket.txt"
expect 2 "kelm-triangulate on a malformed outline" "$triangulate" "$data/bad-outline.txt"
expect 2 "kelm-triangulate on a missing file" "$triangulate" "$data/no-such-file.txt"
for outline in touching crossing tile; do
    for rule in evenodd nonzero; do
        expect 0 "kelm-triangulate on $outline.txt, --fill $rule (area checked)" \
            "$triangulate" "$data/$outline.txt" --fill "$rule"
    done
done
expect 2 "kelm-triangulate with an unknown fill rule" "$triangulate" "$data/tile.txt" --fill odd
# The two rules differ where loops overlap: the doubled square counts under nonzero only.
fail_unless "crossing.txt: inside area 8 by evenodd, 12 by nonzero" \
    sh -c "'$triangulate' '$data/crossing.txt' | grep -q 'inside area: 8 ' &&
           '$triangulate' '$data/crossing.txt' --fill nonzero | grep -q 'inside area: 12 '"

# The built-in pocket is examples/data/pocket.txt: the figures must be the same.
"$triangulate" | tail -n +2 >"$tmp/builtin.txt" 2>&1
"$triangulate" "$data/pocket.txt" | tail -n +2 >"$tmp/file.txt" 2>&1
fail_unless "the built-in pocket and $data/pocket.txt give the same figures" \
    cmp -s "$tmp/builtin.txt" "$tmp/file.txt"
fail_unless "docs/pocket.svg is what the demo draws (else: make demo; cp build/demo/pocket.svg docs/)" \
    cmp -s docs/pocket.svg "$tmp/pocket.svg"

# The examples need nothing but the installed package.
prefix=$tmp/usr
if cmake --install "$build" --prefix "$prefix" >"$tmp/install.log" 2>&1 &&
    cmake -S examples -B "$tmp/examples" -DCMAKE_PREFIX_PATH="$prefix" \
        -DCMAKE_BUILD_TYPE=Release >"$tmp/configure.log" 2>&1 &&
    cmake --build "$tmp/examples" >"$tmp/build.log" 2>&1; then
    echo "ok    the examples build against the installed package"
    expect 0 "kelm-meshcheck built against the package" "$tmp/examples/kelm-meshcheck"
    expect 0 "kelm-triangulate built against the package" "$tmp/examples/kelm-triangulate"
    expect 0 "the installed kelm-meshcheck runs" "$prefix/bin/kelm-meshcheck"
else
    echo "FAIL  the examples do not build against the installed package:"
    cat "$tmp"/*.log | tail -n 30 | sed 's/^/      /'
    failures=$((failures + 1))
fi

if [ "$failures" -ne 0 ]; then
    echo "examples: $failures check(s) failed"
    exit 1
fi
echo "examples: all checks passed"
