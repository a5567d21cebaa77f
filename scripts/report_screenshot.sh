#!/usr/bin/env bash
# The window's commissioning report, as an installer makes it, under Xvfb
# against mirval-sim: connect, Ctrl+P, the report's dialog (the site and the
# installer as remembered from an earlier report), the file dialog's
# proposed name taken with Enter; then the first page of the PDF.
# Usage: scripts/report_screenshot.sh [DIALOG.png] [PAGE.png]
#        (default docs/report-dialog.png, docs/report-window.png)
set -euo pipefail
cd "$(dirname "$0")/.."
dialog_png=$(realpath -m "${1:-docs/report-dialog.png}")
page_png=$(realpath -m "${2:-docs/report-window.png}")
build_dir=${BUILD_DIR:-build}
export PULT=$PWD/$build_dir/src/app/mirval-pult SIM=$PWD/$build_dir/sim/mirval-sim
work=$(mktemp -d)
export XDG_RUNTIME_DIR=$work/runtime XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data HOME=$work/home
mkdir -p "$XDG_RUNTIME_DIR" "$XDG_CONFIG_HOME/mirval" "$HOME" && chmod 0700 "$XDG_RUNTIME_DIR"
printf '[report]\nsite="Склад №2, периметр"\ninstaller=Иванов И. И.\n' >"$XDG_CONFIG_HOME/mirval/mirval-pult.conf"
"$SIM" --address 1 >"$work/sim.out" &
sim=$!
trap 'kill $sim 2>/dev/null; wait $sim 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 50); do [ -s "$work/sim.out" ] && break; sleep 0.1; done
export DIALOG_PNG=$dialog_png PORT=$(head -n1 "$work/sim.out")
xvfb-run -a -s "-screen 0 900x760x24" bash -c '
  cd "$HOME"
  "$PULT" --port "$PORT" &
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
  xdotool key ctrl+p; sleep 1.5
  import -window root -trim +repage "$DIALOG_PNG"
  xdotool key Return; sleep 1.5
  xdotool key Return; sleep 4
  kill $pult
'
pdf=$(find "$work/home" -name "*.pdf" | head -n1)
[ -n "$pdf" ] || { echo "no report was written" >&2; exit 1; }
pdftoppm -png -r 80 -singlefile "$pdf" "${page_png%.png}"
echo "screenshots: $dialog_png $page_png"
