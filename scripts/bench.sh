#!/usr/bin/env bash
# Installs what is missing, builds the benchmarks (release with debug info) into
# build-bench/, runs every one of them five times and prints the medians, each figure
# beside its baseline. Extra arguments go to every benchmark (e.g. --benchmark_filter=).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$root/build-bench
out=$dir/results
"$root/scripts/deps.sh" build

echo "== build into $dir"
"$root/scripts/build.sh" "$dir" -DORVR_BENCH=ON -DORVR_TESTS=OFF -DORVR_FUZZ=OFF

export QT_QPA_PLATFORM=offscreen
rm -rf "$out"
mkdir -p "$out"
failed=()
for bench in "$dir"/bin/bench_*; do
    [ -x "$bench" ] || continue
    name=$(basename "$bench")
    echo
    echo "== $name"
    if ! "$bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
        --benchmark_out="$out/$name.json" --benchmark_out_format=json "$@"; then
        failed+=("$name")
    fi
done

# median FILE BENCHMARK COLUMN: the median of one column; times in ms, counters as they
# are. The benchmark is named without its /iterations:, /manual_time, /process_time or
# /real_time parts.
# The JSON report holds one "key": value per line, one object per run.
median() {
    [ -f "$out/$1.json" ] || { echo nan; return; }
    awk -v bench="$2" -v col="$3" '
        function done() {
            n = rec["name"]
            if (n ~ /_median$/) {
                sub(/_median$/, "", n)
                gsub(/\/(iterations:[0-9]+|manual_time|real_time|process_time)/, "", n)
                if (n == bench && (col in rec) && !("error_occurred" in rec)) {
                    v = rec[col]
                    if (col == "real_time" || col == "cpu_time") {
                        u = rec["time_unit"]
                        v = u == "ns" ? v / 1e6 : u == "us" ? v / 1e3 : u == "s" ? v * 1e3 : v
                    }
                    print v; found = 1; exit
                }
            }
            delete rec
        }
        /^ *\}/ { if ("name" in rec) done(); next }
        /^ *"[A-Za-z0-9_]+": / {
            k = $0; sub(/^ *"/, "", k); sub(/".*/, "", k)
            v = $0; sub(/^ *"[A-Za-z0-9_]+": */, "", v); sub(/,$/, "", v); gsub(/"/, "", v)
            rec[k] = v
        }
        END { if (!found) print "nan" }' "$out/$1.json"
}

# row LABEL UNIT FIGURE BASELINE TARGET: the figure, its baseline, their difference and
# ratio, and the target as text.
row() {
    awk -v label="$1" -v unit="$2" -v f="$3" -v b="$4" -v target="$5" 'BEGIN {
        fig = f == "nan" ? "n/a" : sprintf("%.3f %s", f, unit)
        base = b == "" ? "-" : b == "nan" ? "n/a" : sprintf("%.3f %s", b, unit)
        diff = (b == "" || b == "nan" || f == "nan") ? "-" : sprintf("%+.3f", f - b)
        ratio = (b == "" || b == "nan" || f == "nan" || b + 0 == 0) ? "-" : sprintf("%.3f", f / b)
        printf "%-46s %16s %16s %12s %8s  %s\n", label, fig, base, diff, ratio, target
    }'
}

echo
echo "== medians of 5 repetitions (difference and ratio: figure against baseline)"
printf "%-46s %16s %16s %12s %8s  %s\n" "figure" "median" "baseline" "difference" "ratio" \
    "target"
m=median
row "read-all click to chart updated / floor" ms \
    "$($m bench_app_readout BM_ReadAllChannels real_time)" \
    "$($m bench_app_readout BM_ReadAllChannels floor_ms)" "difference <= 15 ms"
row "  above the floor and the 2 x 10 ms status pauses" ms \
    "$($m bench_app_readout BM_ReadAllChannels above_floor_and_pauses_ms)" "" ""
row "  of which the handler itself" ms \
    "$($m bench_app_readout BM_ReadAllChannels handler_ms)" "" ""
row "  one status update (the readout makes two)" ms \
    "$($m bench_app_readout BM_StatusUpdate real_time)" "" ""
row "  one chart draw after the readout" ms \
    "$($m bench_app_readout BM_ReadAllChannels draw_ms)" "" ""
row "peak memory, six curves drawn / empty window" MB \
    "$($m bench_app_memory BM_WindowWithSixCurves peak_mb)" \
    "$($m bench_app_memory BM_WindowWithSixCurves empty_peak_mb)" "peak <= 120 MB"
row "chart repaint: ChartView / stock QChartView" ms \
    "$($m bench_draw BM_RepaintChartView real_time)" \
    "$($m bench_draw BM_RepaintStock real_time)" "ratio <= 0.3"
row "  the same in CPU time of all threads" ms \
    "$($m bench_draw BM_RepaintChartView cpu_time)" \
    "$($m bench_draw BM_RepaintStock cpu_time)" "ratio <= 0.3"
row "chart rebuild after a model change" ms "$($m bench_draw BM_RebuildChartView real_time)" "" ""
row "exchange above 50 ms wait, short / no wait" us \
    "$($m bench_exchange BM_ExchangeShortReply above_wait_us)" \
    "$(awk -v v="$($m bench_exchange BM_FloorShortReply real_time)" \
        'BEGIN { print v == "nan" ? v : v * 1000 }')" ""
row "exchange above 50 ms wait, 256 kB / no wait" us \
    "$($m bench_exchange BM_ExchangeLongReply above_wait_us)" \
    "$(awk -v v="$($m bench_exchange BM_FloorLongReply real_time)" \
        'BEGIN { print v == "nan" ? v : v * 1000 }')" ""
row "50 ms wait: lateness / on time" us "$($m bench_exchange BM_WaitLateness late_us)" 0 \
    "never early"
row "framing + decoding one 256 kB line" ms "$($m bench_exchange BM_FrameLongLine real_time)" "" ""
row "curve line parse / split + toDouble" ms "$($m bench_curve BM_ParseCurve real_time)" \
    "$($m bench_curve BM_SplitToDouble real_time)" ""
row "17,000 points into a series, shuffled / sorted" ms \
    "$($m bench_curve BM_AddPoints17000/shuffled:1 real_time)" \
    "$($m bench_curve BM_AddPoints17000/shuffled:0 real_time)" ""
row "simulator: MEASURE + MEAS / MEAS alone" ms \
    "$($m bench_sim_curve BM_MeasureAndRead real_time)" \
    "$($m bench_sim_curve BM_MeasReply real_time)" ""
echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')"
echo "results: $out"

if [ ${#failed[@]} -gt 0 ]; then
    echo "failed: ${failed[*]}" >&2
    exit 1
fi
