#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program beside a simulated
# unit on a virtual port (ttySIM0, address 1). Without a display both run
# under Xvfb and a screenshot is written to $SCREENSHOT (default
# build/mirval-pult.png) after $SECONDS_TO_RUN seconds (default 5).
# Extra arguments go to mirval-sim, e.g. scripts/run.sh --modes 1,2,0,1
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh
build_dir=${BUILD_DIR:-build}
. scripts/runtime_dir.sh

sim_out=$(mktemp)
"$build_dir/sim/mirval-sim" "$@" >"$sim_out" &
sim_pid=$!
trap 'kill $sim_pid 2>/dev/null || true; rm -f "$sim_out"' EXIT
for _ in $(seq 50); do [ -s "$sim_out" ] && break; sleep 0.1; done
echo "simulated unit on $(head -n1 "$sim_out"), address 1"

if [ -n "${DISPLAY:-}" ]; then
  "$build_dir/src/app/mirval-pult"
else
  shot=${SCREENSHOT:-$build_dir/mirval-pult.png}
  scripts/screenshot.sh "$shot" "${SECONDS_TO_RUN:-5}" "${CONNECT_ADDRESS:-1}"
fi
