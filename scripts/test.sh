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

scripts/deps.sh
phase build scripts/build.sh
phase format scripts/format.sh --check
phase tests normal_tests "$@"
if [ "$quick" != 1 ]; then
    phase "sanitized build" scripts/build_sanitized.sh
    phase "sanitized tests" scripts/sanitize.sh
    phase fuzz scripts/fuzz.sh
fi
summary=$(printf '%s, ' "${times[@]}")
echo "=== times: ${summary%, }"
