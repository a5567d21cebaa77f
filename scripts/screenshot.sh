#!/usr/bin/env bash
# Starts the program under Xvfb, waits, and writes a PNG of the main window.
# Usage: scripts/screenshot.sh OUT.png [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:?usage: screenshot.sh OUT.png [SECONDS]}
wait_s=${2:-3}
build_dir=${BUILD_DIR:-build}
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-/tmp/runtime-$(id -un)}
mkdir -p "$XDG_RUNTIME_DIR" && chmod 0700 "$XDG_RUNTIME_DIR"
xvfb-run -a -s "-screen 0 640x720x24" bash -c '
  "$0/src/app/mirval-pult" &
  pid=$!
  sleep "$1"
  id=$(xwininfo -root -tree | awk "/МИРВАЛ-В Пульт/ {print \$1; exit}")
  if [ -n "$id" ]; then import -window "$id" "$2"; else import -window root "$2"; fi
  kill $pid
' "$build_dir" "$wait_s" "$out"
echo "screenshot: $out"
