#!/usr/bin/env bash
# The scenes of scripts/quickstart_screenshots.sh, run inside its Xvfb: the
# installer's day against mirval-sim, one picture per key step.
# $SCENES (space-separated names of the scene functions below, without
# "scene_") runs only those; by default every scene runs.
set -euo pipefail
# From scripts/quickstart_screenshots.sh.
: "${PULT:?}" "${SIM:?}" "${CLI:?}" "${SHOTS_DIR:?}" "${WORK:?}"

# Where the controls are in the main window at its initial size (window
# coordinates). Only these lines change when the window's layout moves.
PORT_LIST_X=225 PORT_LIST_Y=21
SETTINGS_X=365 SETTINGS_Y=21 # "Настройка"
ADDRESS_X=280 ADDRESS_Y=49
START_X=293 START_Y=78
READ_LOG_X=232 READ_LOG_Y=182 # "Вычитать" of "Протокол"
FORM_BLANK_X=300 FORM_BLANK_Y=570 # an empty spot of the form: its context menu
TAB_SIGNAL_X=141 TAB_SIGNAL_Y=343 # the tab "Сигнал"
TAB_CROSS_X=347 TAB_CROSS_Y=343   # the tab "Кросс"
LEVEL_MEASURE_X=285 LEVEL_MEASURE_Y=381 # "Измерение" beside "Уровень (мВ)"
CROSS1_X=165 CROSS1_Y=378 CROSS2_X=358 CROSS2_Y=378
# Entries of the form's context menu, counted from the top (Down presses).
MENU_COMPARE=5 MENU_JOURNAL=7
PLOT_ZOOM_STEPS=4
# The simulated line: units 1 and 7; channel 1 HF with a level that crosses
# the cut threshold, channel 2 HF, channel 3 LF; an event log.
SIM_ARGS=(--address "1,7" --modes "2,2,1,0" --level 1:sine:20000:120:60 --cut-alarm 1
  --measured 1:330:420:120 --log-records 6)

window_id() {
  local id
  for _ in $(seq 50); do
    id=$(xwininfo -root -tree | awk '/"МИРВАЛ-В Пульт/ {print $1; exit}')
    [ -n "$id" ] && { echo "$id"; return; }
    sleep 0.1
  done
  echo "no window" >&2
  exit 1
}
# A top-level window by the start of its title.
titled() {
  xwininfo -root -tree | awk -v t="\"$1" 'index($0, t) {print $1; exit}'
}
click() { xdotool mousemove --window "$id" "$1" "$2" click "${3:-1}"; }
start_pult() {
  "$PULT" >>"$WORK/pult.out" 2>&1 &
  pult=$!
  id=$(window_id)
  sleep 2
}
# The last port of the list (the simulator's), the address, "Старт".
choose_port() {
  click $PORT_LIST_X $PORT_LIST_Y; sleep 0.5
  xdotool key Escape End; sleep 0.3
}
set_address() {
  click $ADDRESS_X $ADDRESS_Y 1; click $ADDRESS_X $ADDRESS_Y 1; click $ADDRESS_X $ADDRESS_Y 1
  xdotool type "$1"; sleep 0.3
}
connect() {
  choose_port
  set_address "${1:-1}"
  click $START_X $START_Y
}
# Types a path into an open file dialog and accepts it.
pick_file() {
  sleep 1
  xdotool key ctrl+a; xdotool type --delay 20 "$1"; sleep 0.3
  xdotool key Return
}
form_menu() {
  click $FORM_BLANK_X $FORM_BLANK_Y 3; sleep 0.5
}
menu_entry() {
  xdotool key --repeat "$1" --delay 80 Down; sleep 0.2
  xdotool key Return
}
# The screen with the window and whatever is open over it, trimmed.
shoot_screen() {
  import -window root -trim +repage "$SHOTS_DIR/$1"
}
shoot_window() {
  import -window "$1" "$SHOTS_DIR/$2"
}
start_sim() {
  "$SIM" "$@" >"$WORK/sim.out" 2>&1 &
  sim_pid=$!
  for _ in $(seq 50); do [ -s "$WORK/sim.out" ] && break; sleep 0.1; done
  port=$(head -n1 "$WORK/sim.out")
}
stop() { kill "$@" 2>/dev/null || true; wait "$@" 2>/dev/null || true; }

# An Intel HEX file of LINES data records, for the firmware scenes.
make_hex() {
  local out=$1 lines=$2 i b sum
  : >"$out"
  for ((i = 0; i < lines; i++)); do
    sum=$((16 + (i * 16 >> 8) + (i * 16 & 255)))
    printf ':10%04X00' $((i * 16)) >>"$out"
    for b in $(seq 0 15); do
      printf '%02X' $(((i + b) & 255)) >>"$out"
      sum=$((sum + ((i + b) & 255)))
    done
    printf '%02X\r\n' $(((256 - sum % 256) % 256)) >>"$out"
  done
  printf ':00000001FF\r\n' >>"$out"
}

# 1. The port list, its tooltip naming the port.
scene_ports() {
  start_pult
  click $PORT_LIST_X $PORT_LIST_Y; sleep 0.6
  # Hover over the second item (the simulator's port) until its tooltip shows.
  xdotool mousemove --window "$id" 215 43; sleep 0.2
  xdotool mousemove --window "$id" 216 44; sleep 1.5
  shoot_screen ports.png
  xdotool key Escape; sleep 0.3
  stop $pult
}

# 2. The line speed dialog with its list open.
scene_speed() {
  start_pult
  click $SETTINGS_X $SETTINGS_Y; sleep 1
  xdotool key F4; sleep 0.8
  shoot_screen speed.png
  xdotool key Escape Escape; sleep 0.3
  stop $pult
}

# 3. "Найти блоки…" (Ctrl+F): units 1 and 7 are found; the search is
# stopped once both are, and the list offers what was found.
scene_find() {
  start_pult
  choose_port
  xdotool key ctrl+f; sleep 7
  xdotool key Escape; sleep 1.5
  shoot_screen find.png
  xdotool key Escape; sleep 0.3
  stop $pult
}

# 4. The first connection, then the form's tabs, measurements, pairing,
# the level plot and the event log on the same connection.
scene_connected() {
  start_pult
  connect 1; sleep 3
  shoot_window "$id" connected.png

  click $TAB_SIGNAL_X $TAB_SIGNAL_Y; sleep 0.5
  click $LEVEL_MEASURE_X $LEVEL_MEASURE_Y; sleep 1.5
  shoot_screen measure.png
  xdotool key Return; sleep 0.5

  click $TAB_CROSS_X $TAB_CROSS_Y; sleep 0.5
  click $CROSS1_X $CROSS1_Y; sleep 0.4; xdotool key Down Return; sleep 0.8
  click $CROSS2_X $CROSS2_Y; sleep 0.4; xdotool key Down Return; sleep 1.5
  shoot_window "$id" cross.png

  # The last half minute of the level: the wheel zooms in.
  xdotool key ctrl+g; sleep 25
  local plot
  plot=$(titled "График уровня")
  xdotool mousemove --window "$plot" 400 200 click --repeat "$PLOT_ZOOM_STEPS" --delay 100 4; sleep 1
  shoot_window "$plot" plot.png
  xdotool key Escape; sleep 0.5

  click $READ_LOG_X $READ_LOG_Y; sleep 4
  shoot_screen log.png
  xdotool key Escape; sleep 0.5
  stop $pult
}

# 5. The form's context menu, a file compared with the unit, the journal.
scene_compare() {
  mkdir -p "$WORK/cfg"
  cfg="$WORK/cfg/mirval 1 $(date +%y-%m-%d) 10-00-00.cfg"
  "$CLI" --port "$port" --address 1 read "$cfg" >/dev/null
  "$CLI" --port "$port" --address 1 set porog 140 --channel 3 >/dev/null
  "$CLI" --port "$port" --address 1 set zad 200 >/dev/null
  start_pult
  connect 1; sleep 3
  form_menu
  shoot_screen form-menu.png
  menu_entry $MENU_COMPARE
  pick_file "$cfg"; sleep 3
  shoot_screen compare.png
  xdotool key Escape; sleep 0.5
  form_menu
  menu_entry $MENU_JOURNAL; sleep 1.5
  shoot_screen journal.png
  xdotool key Escape; sleep 0.5
  stop $pult
}

# 6. The port held by another program, "Подробнее" open.
scene_busy() {
  "$CLI" --port "$port" --address 1 monitor --channel 1 >"$WORK/monitor.out" 2>&1 &
  holder=$!
  # It holds the port once it prints its first reading.
  for _ in $(seq 100); do [ -s "$WORK/monitor.out" ] && break; sleep 0.1; done
  start_pult
  connect 1; sleep 1.5
  xdotool key Tab space; sleep 0.8
  shoot_screen busy.png
  xdotool key Escape; sleep 0.3
  stop $pult $holder
}

# 7. A device the user may not open.
scene_denied() {
  local device group rt
  device=$(readlink -f "$XDG_RUNTIME_DIR/mirval/ports/$port")
  if [ -n "$PROBE_USER" ]; then
    group=$(getent group dialout >/dev/null && echo dialout || echo tty)
    chown root:"$group" "$device" && chmod 0660 "$device"
    # The user's own runtime directory, with the simulator's port in it.
    rt=$WORK/probe-runtime
    mkdir -p "$rt/mirval/ports" && ln -sfn "$device" "$rt/mirval/ports/$port"
    chown -R "$PROBE_USER" "$rt" && chmod -R 0700 "$rt"
    setpriv --reuid="$PROBE_USER" --regid=nogroup --clear-groups \
      env HOME="$WORK" XDG_RUNTIME_DIR="$rt" XDG_CONFIG_HOME="$WORK/probe-config" \
      XDG_DATA_HOME="$WORK/probe-data" "$PULT" >>"$WORK/pult.out" 2>&1 &
    pult=$!
  else
    chmod 0060 "$device"
    "$PULT" >>"$WORK/pult.out" 2>&1 &
    pult=$!
  fi
  id=$(window_id); sleep 1
  connect 1; sleep 1.5
  shoot_screen denied.png
  xdotool key Escape; sleep 0.3
  stop $pult
}

# 8. A firmware transfer that fails half-way, and the way back from the
# port list's context menu.
scene_firmware() {
  local hex=$WORK/mirval-fw.hex
  make_hex "$hex" 12
  start_sim --address 1 --fault loader-fail=5
  start_pult
  connect 1; sleep 3
  xdotool key ctrl+u
  pick_file "$hex"; sleep 1
  xdotool key Return; sleep 8
  shoot_screen firmware-failed.png
  xdotool key Return; sleep 0.5
  click $START_X $START_Y; sleep 1
  click $PORT_LIST_X $PORT_LIST_Y 3; sleep 0.6
  shoot_screen port-menu.png
  xdotool key Escape; sleep 0.3
  stop $pult $sim_pid
}

scenes=${SCENES:-ports speed find connected compare busy denied firmware}
start_sim "${SIM_ARGS[@]}"
for scene in $scenes; do
  [ "$scene" = firmware ] && stop "$sim_pid"
  echo "scene: $scene"
  "scene_$scene"
done
stop "$sim_pid"
