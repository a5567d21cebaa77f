#!/usr/bin/env bash
# Builds the whole suite with AddressSanitizer and UndefinedBehaviorSanitizer
# (scripts/build_sanitized.sh) and runs the tests there. Any sanitizer report
# fails the run, also one from a mirval-sim that a test started. Arguments go
# to ctest, e.g. scripts/sanitize.sh -R tst_exchange
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build_dir=${SANITIZE_BUILD_DIR:-build-asan}
scripts/build_sanitized.sh

# Reports go to files: a child process's report is not lost on a pipe that
# nobody reads, and every file there afterwards fails the run.
reports=$root/$build_dir/sanitizer-reports
rm -rf "$reports" && mkdir -p "$reports"
export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:check_initialization_order=1:strict_init_order=1:log_path=$reports/report:log_exe_name=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:log_path=$reports/report:log_exe_name=1"
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"
# The 64 KiB firmware transfer at 4800 baud takes 3.5 minutes; a small image
# runs the same code.
export MIRVAL_FIRMWARE_KIB=${MIRVAL_FIRMWARE_KIB:-4}
# The interleaving test runs a few seeds: its code paths, not its odds.
export MIRVAL_INTERLEAVING_SEEDS=${MIRVAL_INTERLEAVING_SEEDS:-4}
export QT_QPA_PLATFORM=offscreen

# The package's lint looks at files, not at the code the sanitizers watch:
# the plain run checks it.
[ $# -gt 0 ] || set -- -E '^package_lint$'
status=0
(cd "$build_dir" && ctest --output-on-failure --parallel "${MIRVAL_TEST_JOBS:-4}" "$@") || status=$?
shopt -s nullglob
found=("$reports"/*)
for f in "${found[@]}"; do
    echo "=== sanitizer report ${f#"$root"/}"
    cat "$f"
done
if [ ${#found[@]} -gt 0 ]; then
    echo "sanitize: ${#found[@]} sanitizer report(s) in ${reports#"$root"/}" >&2
    status=1
fi
exit $status
