#!/usr/bin/env bash
# Fuzzes every target (or the ones named) for SECONDS each (default 600), two at a time,
# at low priority, keeping what they learn in build/fuzz/fuzz-runs/<target>/corpus.
# Prints each target's runs, execs per second and coverage; an input that crashes or
# hangs a target (20 s, the font target 5 s as in fuzz/CMakeLists.txt) is left in
# build/fuzz/fuzz-runs/<target>/ and fails the command. Add it
# to fuzz/crashes/<target>/ once the fault is mended, so the tests replay it.
# Usage: fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(consumption_log properties touch picture_copy font import)

bash scripts/deps.sh
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j 2

runs=build/fuzz/fuzz-runs
run_one() {
    local target=$1
    local timeout=20
    [ "$target" = font ] && timeout=5
    mkdir -p "$runs/$target/corpus"
    nice -n 10 "build/fuzz/fuzz/pumpwright_fuzz_$target" -timeout="$timeout" -rss_limit_mb=2048 \
        -print_final_stats=1 -max_total_time="$seconds" -artifact_prefix="$runs/$target/" \
        "$runs/$target/corpus" "fuzz/seeds/$target" >"$runs/$target/log" 2>&1
}

pids=() failed=0
for target in "${targets[@]}"; do
    run_one "$target" &
    pids+=($!)
    if [ ${#pids[@]} -eq 2 ]; then
        wait "${pids[0]}" || failed=1
        pids=("${pids[1]}")
    fi
done
for pid in "${pids[@]}"; do wait "$pid" || failed=1; done

for target in "${targets[@]}"; do
    log=$runs/$target/log
    done_line=$(grep -E '^#[0-9]+\s+DONE' "$log" | tail -1 || true)
    execs=$(sed -n 's/^stat::average_exec_per_sec:\s*//p' "$log")
    cov=$(sed -n 's/.*cov: \([0-9]*\).*/\1/p' <<<"$done_line")
    ft=$(sed -n 's/.*ft: \([0-9]*\).*/\1/p' <<<"$done_line")
    total=$(sed -n 's/^stat::number_of_executed_units:\s*//p' "$log")
    if [ -n "$done_line" ]; then
        echo "$target: ${seconds} s, ${total:-?} runs, ${execs:-?} execs/s, cov ${cov:-?}, ft ${ft:-?}"
    else
        echo "$target: FAILED, see $log"
        grep -E 'ERROR|runtime error|SUMMARY|Test unit written' "$log" | head -5
    fi
done
exit $failed
