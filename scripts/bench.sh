#!/usr/bin/env bash
# Installs what is missing, builds, and runs the benchmark against mirval-sim:
# every figure with its floor and the ratio, as a Markdown table. Without a
# display it runs under Xvfb, so that start-up is measured up to a window on
# a real X server. Arguments go to mirval-bench (--help lists them); the
# whole-unit write needs --with-write. Exit status 1: a target was missed.
#
# BASELINE_REV=<revision>: the start-up probe and the benchmark are also
# built from that revision (a copy of its tree in build-baseline/, the same
# compiler and build type); start-up is held against it in the same run, and
# the line figures (one read transaction, the whole-unit read) of both builds
# run alternately, LINE_ROUNDS times each (default 3), before the main run:
# the median ratio of each pair is printed.
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
  cmake --build "$base/build" --target bench-startup-pult mirval-bench mirval-sim --parallel "$(nproc)"
  set -- "$@" --baseline-probe "$(pwd)/$base/build/bench/bench-startup-pult"
fi
. scripts/runtime_dir.sh
run_bench() {
  if [ -n "${DISPLAY:-}" ] || [ -n "${QT_QPA_PLATFORM:-}" ]; then
    "$@"
  else
    xvfb-run -a -s "-screen 0 1280x1024x24" "$@"
  fi
}
if [ -n "${BASELINE_REV:-}" ]; then
  # Measured value of a figure whose name starts with $1, from a table.
  value_of() { awk -F'|' -v name="$1" 'index($2, " " name) == 1 { gsub(/[^0-9.]/, "", $3); print $3; exit }'; }
  ratios_read=() ratios_unit=()
  for round in $(seq "${LINE_ROUNDS:-3}"); do
    old=$(run_bench "$base/build/bench/mirval-bench" --only line)
    new=$(run_bench "$build_dir/bench/mirval-bench" --only line)
    for figure in "one read transaction" "whole-unit read"; do
      o=$(value_of "$figure" <<<"$old"); n=$(value_of "$figure" <<<"$new")
      echo "round $round, $figure: baseline $o, this build $n"
      r=$(awk -v o="$o" -v n="$n" 'BEGIN { if (o > 0) printf "%.4f", n / o }')
      if [ "$figure" = "one read transaction" ]; then ratios_read+=("$r"); else ratios_unit+=("$r"); fi
    done
  done
  median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
  echo "read transaction over the baseline's, median of paired ratios: $(median "${ratios_read[@]}")×"
  echo "whole-unit read over the baseline's, median of paired ratios: $(median "${ratios_unit[@]}")×"
fi
run_bench "$build_dir/bench/mirval-bench" "$@"
