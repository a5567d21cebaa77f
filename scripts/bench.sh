#!/usr/bin/env bash
# Installs what is missing, builds, and runs the benchmark against mirval-sim:
# every figure with its floor and the ratio, as a Markdown table. Without a
# display it runs under Xvfb, so that start-up is measured up to a window on
# a real X server. Arguments go to mirval-bench (--help lists them); the
# whole-unit write needs --with-write. Exit status 1: a target was missed.
#
# BASELINE_REV=<revision>: the start-up probe is also built from that
# revision (a copy of its tree in build-baseline/, the same compiler and
# build type) and start-up is held against it in the same run.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh
build_dir=${BUILD_DIR:-build}
if [ -n "${BASELINE_REV:-}" ]; then
  base=${BASELINE_DIR:-build-baseline}
  rm -rf "$base/src"
  mkdir -p "$base/src"
  git archive "$BASELINE_REV" | tar -x -C "$base/src"
  cmake -S "$base/src" -B "$base/build" -G Ninja -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-RelWithDebInfo} \
    -DMIRVAL_BUILD_TESTS=OFF >/dev/null
  cmake --build "$base/build" --target bench-startup-pult --parallel "$(nproc)"
  set -- "$@" --baseline-probe "$(pwd)/$base/build/bench/bench-startup-pult"
fi
. scripts/runtime_dir.sh
if [ -n "${DISPLAY:-}" ] || [ -n "${QT_QPA_PLATFORM:-}" ]; then
  exec "$build_dir/bench/mirval-bench" "$@"
fi
exec xvfb-run -a -s "-screen 0 1280x1024x24" "$build_dir/bench/mirval-bench" "$@"
