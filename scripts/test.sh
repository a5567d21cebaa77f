#!/usr/bin/env bash
# Installs what is missing, builds, checks the formatting and runs the tests.
# Extra arguments go to ctest, e.g. scripts/test.sh -R tst_frames
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh
scripts/format.sh --check
cd "${BUILD_DIR:-build}"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --parallel 2 "$@"
