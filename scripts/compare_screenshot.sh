#!/usr/bin/env bash
# The comparison of a configuration file with a unit, as an installer gets
# it, under Xvfb against mirval-sim: a file read from the unit and changed in
# two values (the threshold of channel 3, the delay), opened with
# `mirval-pult FILE` without a unit, then the connection and "Сравнить с
# блоком…" from the form's context menu, played with xdotool.
# Usage: scripts/compare_screenshot.sh [OUT.png]   (default docs/comparison.png)
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-docs/comparison.png}")
build_dir=${BUILD_DIR:-build}
export PULT=$PWD/$build_dir/src/app/mirval-pult SIM=$PWD/$build_dir/sim/mirval-sim CLI=$PWD/$build_dir/src/cli/mirval-cli
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Directories of its own: no other simulator's port, no remembered
# connection, a journal of its own.
export XDG_RUNTIME_DIR=$work/runtime XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data
mkdir -p "$XDG_RUNTIME_DIR" && chmod 0700 "$XDG_RUNTIME_DIR"
"$SIM" --address 1 >"$work/sim.out" &
sim=$!
trap 'kill $sim 2>/dev/null; wait $sim 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 50); do [ -s "$work/sim.out" ] && break; sleep 0.1; done
port=$(head -n1 "$work/sim.out")
file="$work/mirval 1 2026_12_08.cfg"
"$CLI" --port "$port" --address 1 read "$file" >/dev/null
perl -0pi -e 's/(NOMER="2"[^>]*? POROG=")\d+/${1}9/; s/ZADERZHKA="\d+"/ZADERZHKA="7"/' "$file"
export FILE=$file OUT=$out PORT=$port
xvfb-run -a -s "-screen 0 900x760x24" bash -c '
  "$PULT" --port "$PORT" "$FILE" &
  pult=$!
  for _ in $(seq 50); do
    id=$(xwininfo -root -tree | awk "/МИРВАЛ-В Пульт/ {print \$1; exit}")
    [ -n "$id" ] && break
    sleep 0.1
  done
  sleep 1
  # The port is chosen by --port; the address, then "Старт".
  xdotool mousemove --window "$id" 280 49 click --repeat 3 1
  xdotool type 1; sleep 0.3
  xdotool mousemove --window "$id" 293 78 click 1; sleep 3
  # The form'"'"'s context menu on the label "Канал": the fifth entry.
  xdotool mousemove --window "$id" 30 210 click 3; sleep 0.5
  xdotool key Down Down Down Down Down Return; sleep 4
  import -window root -trim +repage "$OUT"
  kill $pult
' 
echo "screenshot: $out"
