#!/bin/sh
# Runs every fuzz target for a bounded time on a copy of its seed corpus and fails on
# any finding. usage: smoke.sh BUILD_DIR [SECONDS]
set -eu
build=$1
seconds=${2:-60}
here=$(cd "$(dirname "$0")" && pwd)
status=0
for target in "$build"/fuzz/fuzz_*; do
    [ -x "$target" ] || continue
    name=$(basename "$target")
    work="$build/fuzz/work-$name"
    rm -rf "$work"
    mkdir -p "$work"
    if [ -d "$here/corpus/$name" ]; then cp -r "$here/corpus/$name/." "$work/"; fi
    echo "fuzz: $name for ${seconds}s"
    # A dictionary shared by the targets of one area: fuzz_xml_* use xml.dict.
    area=${name#fuzz_}
    area=${area%%_*}
    dict=""
    if [ -f "$here/$area.dict" ]; then dict="-dict=$here/$area.dict"; fi
    if ! ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
        "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 \
        -artifact_prefix="$build/fuzz/$name-" -print_final_stats=1 $dict "$work" \
        >"$build/fuzz/$name.log" 2>&1; then
        echo "fuzz: $name FAILED; see $build/fuzz/$name.log"
        tail -n 40 "$build/fuzz/$name.log"
        status=1
    else
        grep -E 'stat::number_of_executed_units|stat::peak_rss_mb' "$build/fuzz/$name.log" || true
    fi
done
exit $status
