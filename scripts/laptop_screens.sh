#!/usr/bin/env bash
# The program on installers' laptops, under Xvfb against mirval-sim:
#  - screenshots of the whole screen at 1024x600, 1366x768 and at
#    QT_SCALE_FACTOR=2 on 1920x1080, with the level plot open beside the
#    window (OUT_DIR/1024x600.png, 1366x768.png, 1920x1080-x2.png);
#  - on the smallest screen, a keyboard-only run: Ctrl+F "Найти блоки…"
#    (Esc ends it, Return takes the unit found), Ctrl+U the firmware update's file dialog (Esc), Tab to
#    the address and "Старт", Ctrl+G the plot and Esc to close it, and Tab
#    through "Параметры" to its last list (OUT_DIR/keyboard-parameters.png).
# Each keyboard step checks that its window came and went; any that did not
# fails the script, leaving the screen in OUT_DIR/failed.png.
# Usage: scripts/laptop_screens.sh [OUT_DIR]   (default docs/screens)
set -euo pipefail
cd "$(dirname "$0")/.."
# Runs inside Xvfb: $1 the picture's name, $2 "keyboard" for the keyboard run.
scene() {
  set -euo pipefail
  # A unit of its own: channel 1 in HF mode, its level a 20 s sine.
  local sim_out=$XDG_RUNTIME_DIR/sim-$1.out
  "$SIM" --address 1 --modes 2,1,1,1 --level 1:sine:20000:120:60 >"$sim_out" 2>&1 &
  local sim=$!
  for _ in $(seq 50); do [ -s "$sim_out" ] && break; sleep 0.1; done
  "$PULT" --port "$(head -n1 "$sim_out")" >/dev/null 2>&1 &
  local pult=$! id
  # shellcheck disable=SC2064
  trap "kill $pult $sim 2>/dev/null || true" EXIT
  id=$(xdotool search --sync --onlyvisible --name "МИРВАЛ-В Пульт" | head -n1)
  sleep 1
  xdotool windowfocus --sync "$id"
  # A window named $1 shows within 5 s ("shown") or is gone ("gone").
  expect() {
    for _ in $(seq 50); do
      if xdotool search --onlyvisible --name "$2" >/dev/null 2>&1; then
        [ "$1" = shown ] && return 0
      else
        [ "$1" = gone ] && return 0
      fi
      sleep 0.1
    done
    echo "keyboard: the window \"$2\" is not $1 after $3 (the screen: $OUT_DIR/failed.png)" >&2
    import -window root "$OUT_DIR/failed.png"
    exit 1
  }
  # A fresh window has no control in focus: Tab to the port list, to
  # "Настройка", to the address; then Tab to "Старт".
  xdotool key --delay 100 Tab Tab Tab ctrl+a; xdotool type 1; xdotool key --delay 100 Tab space
  sleep 3
  if [ "${2:-}" = keyboard ]; then
    xdotool key ctrl+u
    expect shown "Выбор файла прошивки" "Ctrl+U"
    xdotool key Escape
    expect gone "Выбор файла прошивки" "Esc in the file dialog"
    xdotool windowfocus --sync "$id"
  fi
  xdotool key ctrl+g
  expect shown "График уровня" "Ctrl+G"
  sleep 20
  import -window root "$OUT_DIR/$1.png"
  if [ "${2:-}" = keyboard ]; then
    xdotool key Escape
    expect gone "График уровня" "Esc in the plot"
    xdotool windowfocus --sync "$id"
    # The focus is back on "Стоп". Six Tabs to "Канал", channel 2 (LF: every
    # list of "Параметры" in use), then its rows, the tab bar and the six
    # lists down to "Тревога".
    xdotool key --delay 100 Tab Tab Tab Tab Tab Tab Down
    # The channel's values are read with the form held still.
    sleep 3
    xdotool key --delay 150 Tab Tab Tab Tab Tab Tab Tab Tab Tab Tab
    sleep 0.5
    import -window root "$OUT_DIR/keyboard-parameters.png"
    # Back up to "Стоп", disconnect, and find the units on the line: the
    # search finds unit 1 within a few seconds, Esc ends it, and the list of
    # units found takes Return.
    for _ in $(seq 16); do xdotool key --delay 50 shift+Tab; done
    xdotool key space
    sleep 2
    xdotool key ctrl+f
    expect shown "^МИРВАЛ-В Визард$" "Ctrl+F"
    sleep 4
    xdotool key Escape
    expect shown "^МИРВАЛ-В Визард$" "Esc in the unit search"
    xdotool key Return
    expect gone "^МИРВАЛ-В Визард$" "Return in the list of units found"
  fi
  kill $pult $sim
}
# Xvfb's shell does not pass functions on: the script runs itself there.
if [ "${1:-}" = --scene ]; then
  shift
  scene "$@"
  exit 0
fi
out_dir=$(realpath -m "${1:-docs/screens}")
mkdir -p "$out_dir"
build_dir=${BUILD_DIR:-build}
export PULT=$PWD/$build_dir/src/app/mirval-pult SIM=$PWD/$build_dir/sim/mirval-sim OUT_DIR=$out_dir
work=$(mktemp -d)
export XDG_RUNTIME_DIR=$work/runtime XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data
mkdir -p "$XDG_RUNTIME_DIR" && chmod 0700 "$XDG_RUNTIME_DIR"
trap 'rm -rf "$work"' EXIT

xvfb-run -a -s "-screen 0 1024x600x24" scripts/laptop_screens.sh --scene 1024x600 keyboard
xvfb-run -a -s "-screen 0 1366x768x24" scripts/laptop_screens.sh --scene 1366x768
QT_SCALE_FACTOR=2 xvfb-run -a -s "-screen 0 1920x1080x24" scripts/laptop_screens.sh --scene 1920x1080-x2
echo "screenshots: $out_dir"
