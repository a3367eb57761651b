#!/bin/sh
# Runs every benchmark program of a benchmark build, shows Google Benchmark's console
# output, keeps a JSON copy of each run, and ends with a summary of the figures.
#
#   sh bench/run.sh [BUILD] [FILTER]
#
# BUILD is a folder configured with -DKELMMATH_BUILD_BENCHMARKS=ON (default build-bench;
# `make bench` builds and passes it). FILTER, a regular expression, is handed to each
# program as --benchmark_filter. The JSON files go to BUILD/bench-results/<program>.json.
#
# Summary columns: the time per iteration (CPU time); MB/s and items/s where a benchmark
# counts bytes or items; and its own counters, such as x_baseline, the benchmark's time
# divided by that of the baseline it names, measured in the same run.
set -u
build=${1:-build-bench}
filter=${2:-}
results=$build/bench-results

programs=$(find "$build/bench" -maxdepth 1 -type f -name '*_bench' 2>/dev/null | sort)
if [ -z "$programs" ]; then
    echo "bench/run.sh: no benchmark programs in $build/bench" >&2
    echo "  configure with -DKELMMATH_BUILD_BENCHMARKS=ON and build, or run: make bench" >&2
    exit 1
fi
mkdir -p "$results"
rm -f "$results"/*.json

status=0
for program in $programs; do
    name=$(basename "$program")
    echo "==== $name"
    if [ -n "$filter" ]; then
        "$program" --benchmark_out="$results/$name.json" --benchmark_out_format=json \
            --benchmark_filter="$filter" || status=1
    else
        "$program" --benchmark_out="$results/$name.json" --benchmark_out_format=json ||
            status=1
    fi
    [ $status -eq 0 ] || echo "bench/run.sh: $name failed" >&2
done

echo
echo "==== summary ($results)"
# The JSON of Google Benchmark puts one key per line inside each benchmark object.
for json in "$results"/*.json; do
    [ -f "$json" ] || continue
    awk -v program="$(basename "$json" .json)" '
        function value(line) {
            sub(/^[^:]*: */, "", line); sub(/,$/, "", line); gsub(/"/, "", line)
            return line
        }
        function flush(   out, k) {
            if (name == "") return
            out = sprintf("  %-44s %12.4g %-2s", name, cpu, unit)
            if (bytes != "") out = out sprintf("  %10.1f MB/s", bytes / 1e6)
            if (items != "") out = out sprintf("  %10.4g items/s", items)
            for (k = 1; k <= nextra; ++k) out = out "  " extra[k]
            if (label != "") out = out "  " label
            if (error != "") out = out "  ERROR: " error
            print out
            name = ""
        }
        BEGIN { print program }
        /"benchmarks": \[/ { inside = 1; next }
        !inside { next }
        /^ *\{ *$/ { name = ""; cpu = ""; unit = ""; bytes = ""; items = ""; label = "";
                     error = ""; nextra = 0; next }
        /^ *\},? *$/ { flush(); next }
        /^ *"name":/ { name = value($0); next }
        /^ *"cpu_time":/ { cpu = value($0); next }
        /^ *"time_unit":/ { unit = value($0); next }
        /^ *"bytes_per_second":/ { bytes = value($0); next }
        /^ *"items_per_second":/ { items = value($0); next }
        /^ *"label":/ { label = value($0); next }
        /^ *"error_message":/ { error = value($0); next }
        /^ *"(family_index|per_family_instance_index|run_name|run_type|repetitions|repetition_index|threads|iterations|real_time|aggregate_name|aggregate_unit|error_occurred)":/ { next }
        /^ *"[A-Za-z_0-9]+":/ {
            key = $0; sub(/^ *"/, "", key); sub(/".*/, "", key)
            extra[++nextra] = sprintf("%s=%.3g", key, value($0))
        }
    ' "$json"
done
exit $status
