#!/usr/bin/env bash
# A live site report against the backup of the same site: four mirval-sim
# lines of two units each, `backup --dir` and `report --out` from the same
# lines alternately, ROUNDS times (default 3); each round's times and ratio.
# Target: the report within 1.2 × the backup.
set -uo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build}
sim=$PWD/$build_dir/sim/mirval-sim cli=$PWD/$build_dir/src/cli/mirval-cli
w=$(mktemp -d)
export XDG_RUNTIME_DIR=$w/rt XDG_DATA_HOME=$w/data
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
pids=() ports=()
for i in 0 1 2 3; do
  "$sim" --address 1,2 >"$w/sim$i.out" 2>/dev/null </dev/null &
  pids+=($!)
done
trap 'kill "${pids[@]}" 2>/dev/null; rm -rf "$w"' EXIT
for i in 0 1 2 3; do
  for _ in $(seq 50); do [ -s "$w/sim$i.out" ] && break; sleep 0.1; done
  ports+=(--port "$(head -n1 "$w/sim$i.out")")
done
ms() {
  local s
  s=$(date +%s%N)
  timeout 120 "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }
  echo $((($(date +%s%N) - s) / 1000000))
}
for r in $(seq "${ROUNDS:-3}"); do
  b=$(ms "$cli" "${ports[@]}" backup --dir "$w/b$r" --from 1 --to 2) || exit 1
  l=$(ms "$cli" "${ports[@]}" report --out "$w/r$r.pdf" --from 1 --to 2) || exit 1
  echo "round $r: backup $b ms, live report $l ms, ratio $(awk -v l="$l" -v b="$b" 'BEGIN { printf "%.3f", l / b }')"
done
