#!/usr/bin/env bash
# Installs what is missing, builds, checks the formatting and runs the tests;
# then the whole suite again built with AddressSanitizer and
# UndefinedBehaviorSanitizer (scripts/sanitize.sh) and the fuzz targets
# (scripts/fuzz.sh). Any failure fails the script.
# Quick path while working: with ctest arguments (scripts/test.sh -R
# tst_frames) or MIRVAL_QUICK=1 only the normal build and its tests run.
set -euo pipefail
cd "$(dirname "$0")/.."
quick=${MIRVAL_QUICK:-0}
[ $# -eq 0 ] || quick=1

times=()
phase() {
    local name=$1 start=$SECONDS
    shift
    echo "=== $name"
    "$@"
    times+=("$name $((SECONDS - start)) s")
}
# Most tests wait on a serial line (a few per cent of a core each), so four
# run side by side on two cores; MIRVAL_TEST_JOBS sets another number.
normal_tests() {
    (cd "${BUILD_DIR:-build}" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure --parallel "${MIRVAL_TEST_JOBS:-4}" "$@")
}

# The sanitized build runs beside the format check and the normal tests, at
# the lowest priority: the tests mostly wait on serial lines, and what CPU
# they want they still get first. Its output is shown when it has ended.
sanitized_build_log=
start_sanitized_build() {
    sanitized_build_log=$(mktemp)
    setsid nice -n 19 scripts/build_sanitized.sh >"$sanitized_build_log" 2>&1 &
    sanitized_build_pid=$!
    trap 'kill -- -"$sanitized_build_pid" 2>/dev/null || true; rm -f "$sanitized_build_log"' EXIT
}
wait_sanitized_build() {
    local status=0
    wait "$sanitized_build_pid" || status=$?
    if [ $status -eq 0 ]; then tail -n 2 "$sanitized_build_log"; else cat "$sanitized_build_log"; fi
    return $status
}

scripts/deps.sh
phase build scripts/build.sh
[ "$quick" = 1 ] || start_sanitized_build
phase format scripts/format.sh --check
phase tests normal_tests "$@"
if [ "$quick" != 1 ]; then
    phase "sanitized build (the rest of it)" wait_sanitized_build
    phase "sanitized tests" scripts/sanitize.sh
    phase fuzz scripts/fuzz.sh
fi
summary=$(printf '%s, ' "${times[@]}")
echo "=== times: ${summary%, }"
