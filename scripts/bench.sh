#!/usr/bin/env bash
# Installs what is missing, builds, and runs the benchmark against mirval-sim:
# every figure with its floor and the ratio, as a Markdown table. Without a
# display it runs under Xvfb, so that start-up is measured up to a window on
# a real X server. Arguments go to mirval-bench (--help lists them); the
# whole-unit write needs --with-write. Exit status 1: a target was missed.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh
build_dir=${BUILD_DIR:-build}
. scripts/runtime_dir.sh
if [ -n "${DISPLAY:-}" ] || [ -n "${QT_QPA_PLATFORM:-}" ]; then
  exec "$build_dir/bench/mirval-bench" "$@"
fi
exec xvfb-run -a -s "-screen 0 1280x1024x24" "$build_dir/bench/mirval-bench" "$@"
