#!/usr/bin/env bash
# Fuzzes the pure functions natively (clang, libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer): first replays every kept input of
# fuzz/regressions/<target>/, then runs each target for a bounded time.
# An input that fails is kept there as a new regression case.
#   scripts/fuzz.sh [seconds per target]   (default 12, or $PROBELET_FUZZ_SECONDS; 0: replay only)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
seconds=${1:-${PROBELET_FUZZ_SECONDS:-12}}
build=build/fuzz
targets=(value_text time_text path_join plugin_label copy_label text_lines wire)

cmake -S fuzz -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 >/dev/null
mkdir -p "$build/logs"

status=0
for t in "${targets[@]}"; do
    kept="fuzz/regressions/$t"
    corpus="$build/corpus/$t"
    mkdir -p "$kept" "$corpus"
    log="$build/logs/$t.log"
    # Each kept input once; file arguments make libFuzzer run just those.
    mapfile -t cases < <(find "$kept" -type f | sort)
    if [ "${#cases[@]}" -gt 0 ] && ! "$build/$t" "${cases[@]}" >"$log" 2>&1; then
        echo "fuzz $t: a kept regression input fails (see $log)"
        tail -n 20 "$log"
        status=1
        continue
    fi
    if [ "$seconds" -gt 0 ]; then
        # New failing inputs land in the kept directory (crash-, timeout-, oom-, leak-).
        if ! "$build/$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
                -artifact_prefix="$kept/" "$corpus" "$kept" >>"$log" 2>&1; then
            echo "fuzz $t: found a failing input, kept in $kept/ (see $log)"
            grep -E 'ERROR|check failed|runtime error|SUMMARY' "$log" | head -n 10
            status=1
            continue
        fi
    fi
    runs=$(grep -oE 'stat::number_of_executed_units: *[0-9]+' "$log" | grep -oE '[0-9]+$' | tail -n 1 || true)
    echo "fuzz $t: ${#cases[@]} kept inputs pass, ${runs:-0} runs in ${seconds}s without failure"
done
exit $status
