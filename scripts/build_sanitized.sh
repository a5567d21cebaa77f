#!/usr/bin/env bash
# Configures and builds the clang tree with AddressSanitizer,
# UndefinedBehaviorSanitizer and the libFuzzer targets into build-asan/ (or
# $SANITIZE_BUILD_DIR). Arguments name targets to build; none: everything.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${SANITIZE_BUILD_DIR:-build-asan}
# -O1: at -O0 the test doubles' heavy paths (a babbling line of 100000
# chunks) run too slowly for the timing tests. Line tables are enough for
# symbolized reports and build quicker than full debug information.
CC=clang CXX=clang++ cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_CXX_FLAGS_DEBUG="-O1 -gline-tables-only" -DMIRVAL_FUZZ=ON >/dev/null
targets=()
for t in "$@"; do targets+=(--target "$t"); done
cmake --build "$build_dir" --parallel "$(nproc)" "${targets[@]}"
