#!/usr/bin/env bash
# Starts the program under Xvfb, waits, and writes a PNG of the main window.
# Usage: scripts/screenshot.sh OUT.png [SECONDS] [ADDRESS]
# With ADDRESS the installer's steps are played with xdotool first: the last
# port of the list (the virtual ports come last), the unit address, "Старт".
# With $PULT_PORT the program starts with --port "$PULT_PORT" and the list is
# left as that option selects it.
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:?usage: screenshot.sh OUT.png [SECONDS] [ADDRESS]}
wait_s=${2:-3}
address=${3:-}
build_dir=${BUILD_DIR:-build}
pult=${PULT:-$build_dir/src/app/mirval-pult}  # the program to start
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-/tmp/runtime-$(id -un)}
mkdir -p "$XDG_RUNTIME_DIR" && chmod 0700 "$XDG_RUNTIME_DIR"
xvfb-run -a -s "-screen 0 640x720x24" bash -c '
  "$0" ${4:+--port "$4"} &
  pid=$!
  sleep 2
  id=$(xwininfo -root -tree | awk "/МИРВАЛ-В Пульт/ {print \$1; exit}")
  if [ -n "$3" ] && [ -n "$id" ]; then
    # Positions of the port list, the address box and the start button in
    # the window as laid out at its initial size.
    if [ -z "$4" ]; then
      xdotool mousemove --window "$id" 225 21 click 1; sleep 0.5
      xdotool key Escape End; sleep 0.3
    fi
    xdotool mousemove --window "$id" 280 49 click --repeat 3 1
    xdotool type "$3"; sleep 0.3
    xdotool mousemove --window "$id" 293 78 click 1
  fi
  sleep "$1"
  if [ -n "$id" ]; then import -window "$id" "$2"; else import -window root "$2"; fi
  kill $pid
' "$pult" "$wait_s" "$out" "$address" "${PULT_PORT:-}"
echo "screenshot: $out"
