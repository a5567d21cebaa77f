#!/usr/bin/env bash
# A screenshot of the level plot under Xvfb: mirval-sim with channel 1 in HF
# mode, its level a 20 s sine of 120 mV around 60 mV and an alarm while it
# stays above the cut threshold; the program connects (xdotool plays the
# installer's steps), the state label's context menu opens "График уровня…",
# and after SECONDS (default 90) the plot window is written to OUT.png.
# Usage: scripts/plot_screenshot.sh OUT.png [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:?usage: plot_screenshot.sh OUT.png [SECONDS]}
wait_s=${2:-90}
build_dir=${BUILD_DIR:-build}
. scripts/runtime_dir.sh

sim_out=$(mktemp)
"$build_dir/sim/mirval-sim" --modes 2,1,1,1 --level 1:sine:20000:120:60 --cut-alarm 1 >"$sim_out" &
sim_pid=$!
trap 'kill $sim_pid 2>/dev/null || true; rm -f "$sim_out"' EXIT
for _ in $(seq 50); do [ -s "$sim_out" ] && break; sleep 0.1; done

xvfb-run -a -s "-screen 0 1400x900x24" bash -c '
  "$0/src/app/mirval-pult" &
  pid=$!
  sleep 2
  id=$(xwininfo -root -tree | awk "/МИРВАЛ-В Пульт/ {print \$1; exit}")
  [ -n "$id" ] || { echo "no main window" >&2; kill $pid; exit 1; }
  # The port list (the virtual port comes last), the address, "Старт"; then
  # the state label'"'"'s context menu, its first entry.
  xdotool mousemove --window "$id" 225 21 click 1; sleep 0.5
  xdotool key Escape End; sleep 0.3
  xdotool mousemove --window "$id" 280 49 click --repeat 3 1
  xdotool type 1; sleep 0.3
  xdotool mousemove --window "$id" 293 78 click 1; sleep 2
  xdotool mousemove --window "$id" 293 264 click 3; sleep 0.5
  xdotool key Down Return; sleep 1
  plot=$(xwininfo -root -tree | awk "/График уровня/ {print \$1; exit}")
  [ -n "$plot" ] || { echo "no plot window" >&2; kill $pid; exit 1; }
  xdotool windowmove "$plot" 420 0
  sleep "$1"
  import -window "$plot" "$2"
  kill $pid
' "$build_dir" "$wait_s" "$out"
echo "screenshot: $out"
