#!/usr/bin/env bash
# The scenes of scripts/quickstart_screenshots.sh, run inside its Xvfb.
set -euo pipefail

window_id() {
  for _ in $(seq 50); do
    id=$(xwininfo -root -tree | awk '/"МИРВАЛ-В Пульт/ {print $1; exit}')
    [ -n "$id" ] && { echo "$id"; return; }
    sleep 0.1
  done
  echo "no window" >&2
  exit 1
}
# The steps of scripts/screenshot.sh: the last port of the list, the address, "Старт".
connect() {
  local id=$1
  xdotool mousemove --window "$id" 225 21 click 1; sleep 0.5
  xdotool key Escape End; sleep 0.3
  xdotool mousemove --window "$id" 280 49 click --repeat 3 1
  xdotool type 1; sleep 0.3
  xdotool mousemove --window "$id" 293 78 click 1
}
# The screen with the window and whatever is open over it, trimmed.
shoot_screen() {
  import -window root -trim +repage "$SHOTS_DIR/$1"
}
start_sim() {
  "$SIM" --address 1 >"$WORK/sim.out" &
  sim_pid=$!
  for _ in $(seq 50); do [ -s "$WORK/sim.out" ] && break; sleep 0.1; done
  port=$(head -n1 "$WORK/sim.out")
}
stop() { kill "$@" 2>/dev/null || true; wait "$@" 2>/dev/null || true; }

start_sim

# 1. The port list, its tooltip naming the port.
"$PULT" & pult=$!
id=$(window_id); sleep 1
xdotool mousemove --window "$id" 225 21 click 1; sleep 0.6
# Hover over the second item (the simulator's port) until its tooltip shows.
xdotool mousemove --window "$id" 215 43; sleep 0.2
xdotool mousemove --window "$id" 216 44; sleep 1.5
shoot_screen ports.png
xdotool key Escape; sleep 0.3

# 2. The first connection.
connect "$id"; sleep 3
import -window "$id" "$SHOTS_DIR/connected.png"
stop $pult

# 3. The port held by another program.
"$CLI" --port "$port" --address 1 monitor --channel 1 >/dev/null 2>&1 & holder=$!
sleep 1
"$PULT" & pult=$!
id=$(window_id); sleep 1
connect "$id"; sleep 1.5
shoot_screen busy.png
stop $pult $holder

# 4. A device the user may not open.
device=$(readlink -f "$XDG_RUNTIME_DIR/mirval/ports/$port")
if [ -n "$PROBE_USER" ]; then
  group=$(getent group dialout >/dev/null && echo dialout || echo tty)
  chown root:"$group" "$device" && chmod 0660 "$device"
  # The user's own runtime directory, with the simulator's port in it.
  rt=$WORK/probe-runtime
  mkdir -p "$rt/mirval/ports" && ln -s "$device" "$rt/mirval/ports/$port"
  chown -R "$PROBE_USER" "$rt" && chmod -R 0700 "$rt"
  setpriv --reuid="$PROBE_USER" --regid=nogroup --clear-groups \
      env HOME="$WORK" XDG_RUNTIME_DIR="$rt" XDG_CONFIG_HOME="$WORK/probe-config" "$PULT" & pult=$!
else
  chmod 0060 "$device"
  "$PULT" & pult=$!
fi
id=$(window_id); sleep 1
connect "$id"; sleep 1.5
shoot_screen denied.png
stop $pult $sim_pid
