#!/usr/bin/env bash
# Builds the libFuzzer targets (scripts/build_sanitized.sh) and runs each one
# for $FUZZ_SECONDS (default 20) over a copy of its seed corpus in
# fuzz/corpus/<target>, $FUZZ_JOBS (default: the number of cores) at a time.
# A crash, a sanitizer report, a leak or an input taking over a second fails
# the run; the input is kept in <build>/fuzz-run/<target>/. Arguments name
# the targets to run; none: all of them.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build_dir=${SANITIZE_BUILD_DIR:-build-asan}
seconds=${FUZZ_SECONDS:-20}
jobs=${FUZZ_JOBS:-$(nproc)}

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for d in fuzz/corpus/*/; do targets+=("$(basename "$d")"); done
fi
binaries=()
for t in "${targets[@]}"; do binaries+=("fuzz_$t"); done
scripts/build_sanitized.sh "${binaries[@]}"

# The file readers get inputs as large as they admit or more: a configuration
# file nested 20000 deep is 140 KB, far past libFuzzer's default of 4 KB.
# The other targets read short inputs and keep the default.
declare -A max_len=([config_file]=262144)

export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"

# A smaller stack than the 8 MB a program gets: recursion that a deep input
# drives overflows at an eighth of the depth, well within max_len.
fuzz_stack_kb=1024

run_one() {
    local t=$1 work=$root/$build_dir/fuzz-run/$1
    rm -rf "$work" && mkdir -p "$work/corpus"
    cp fuzz/corpus/"$t"/* "$work/corpus/"
    local dict=()
    [ -f fuzz/dict/"$t".dict ] && dict=(-dict="$root/fuzz/dict/$t.dict")
    local len=()
    [ -n "${max_len[$t]:-}" ] && len=(-max_len="${max_len[$t]}" -len_control=0)
    local rc=0
    (ulimit -s "$fuzz_stack_kb" && exec "$build_dir/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout=1 -detect_leaks=1 \
        -print_final_stats=1 -artifact_prefix="$work/" "${dict[@]}" "${len[@]}" "$work/corpus") \
        >"$work/log" 2>&1 || rc=$?
    echo "$rc" >"$work/rc"
}

for t in "${targets[@]}"; do
    while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n || true; done
    run_one "$t" &
done
wait

# Inputs libFuzzer kept of a crash, leak, time-out or memory overrun.
artifacts() {
    find "$1" -maxdepth 1 -type f \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' \)
}
# A value of libFuzzer's final statistics (-print_final_stats).
final_stat() {
    sed -n "s/^stat::$2: *//p" "$1/log" | tail -n1
}

status=0
printf '%-15s %-8s %12s %10s %10s\n' target result executions exec/s new-inputs
for t in "${targets[@]}"; do
    work=$build_dir/fuzz-run/$t
    rc=$(cat "$work/rc")
    result=ok
    if [ "$rc" != 0 ] || [ -n "$(artifacts "$work")" ]; then
        result=FAILED
        status=1
    fi
    printf '%-15s %-8s %12s %10s %10s\n' "$t" "$result" "$(final_stat "$work" number_of_executed_units)" \
        "$(final_stat "$work" average_exec_per_sec)" "$(final_stat "$work" new_units_added)"
done
for t in "${targets[@]}"; do
    work=$build_dir/fuzz-run/$t
    if [ "$(cat "$work/rc")" != 0 ] || [ -n "$(artifacts "$work")" ]; then
        echo "=== fuzz_$t (exit status $(cat "$work/rc")), log $work/log:"
        grep -v -e '^#[0-9]' -e '^INFO:' "$work/log" | tail -n 60
        artifacts "$work"
    fi
done
exit $status
