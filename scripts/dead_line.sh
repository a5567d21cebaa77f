#!/usr/bin/env bash
# A unit whose line dies under the program, played under Xvfb against
# mirval-sim, with screenshots and timings:
#  A. driven by keyboard: connect, the unit falls silent, "Режим работы" is
#     changed; the change's failure and "Нет ответа от блока!" appear, then
#     nothing more; after both are closed the window is as after "Стоп" and
#     the unit hears no further request;
#  B. the simulator is killed while connected (a pulled adapter): time until
#     the message;
#  C. the unit falls silent while connected: time until the state label goes
#     blank on grey, against the earliest moment the program can know (the
#     end of the third unanswered poll, from the simulator's log).
# Usage: scripts/dead_line.sh [OUT_DIR]   (default build/dead-line)
# Writes OUT_DIR/*.png, the logs and OUT_DIR/summary.txt; exits non-zero when
# a check fails.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${1:-}" != "--inside" ]; then
    build_dir=$(realpath "${BUILD_DIR:-build}")
    out=$(realpath -m "${1:-$build_dir/dead-line}")
    rm -rf "$out" && mkdir -p "$out"
    # A runtime directory of its own: no other simulator's port in the list.
    export XDG_RUNTIME_DIR=$out/runtime
    . scripts/runtime_dir.sh
    exec xvfb-run -a -s "-screen 0 640x720x24" "$0" --inside "$build_dir" "$out"
fi
build=$2
out=$3
failures=0
summary=$out/summary.txt
say() { echo "$*" | tee -a "$summary"; }
check() { # check DESCRIPTION CONDITION...
    local what=$1
    shift
    if "$@"; then say "ok:   $what"; else say "FAIL: $what"; failures=$((failures + 1)); fi
}
now_ms() { echo $(($(date +%s%N) / 1000000)); }

fifo=$out/sim.in
mkfifo "$fifo"
sleep infinity >"$fifo" &
holder=$!
sim=
pult=
cleanup() {
    [ -n "$pult" ] && kill "$pult" 2>/dev/null
    [ -n "$sim" ] && kill "$sim" 2>/dev/null
    kill "$holder" 2>/dev/null
    true
}
trap cleanup EXIT

# start_sim LOG: mirval-sim on a new virtual port, controlled through the fifo.
start_sim() {
    "$build/sim/mirval-sim" --address 1 --modes 1,2,0,1 --version 2.5 <"$fifo" >"$1" 2>&1 &
    sim=$!
    for _ in $(seq 50); do [ -s "$1" ] && break; sleep 0.1; done
    port=$(head -n1 "$1")
}
control() { echo "$1" >"$fifo"; sleep 0.2; }
# Message boxes open: visible windows titled with the program's name (the
# toolkit keeps an unmapped one for itself). The newest has the highest id.
visible_boxes() { xdotool search --onlyvisible --name '^МИРВАЛ-В Визард$' 2>/dev/null | sort -n || true; }
boxes() { visible_boxes | grep -c . || true; }
newest_box() { visible_boxes | tail -n1; }
# wait_boxes N SECONDS: until N boxes are open; the time it took in ms.
wait_boxes() {
    local start
    start=$(now_ms)
    while [ "$(boxes)" != "$1" ]; do
        [ $(($(now_ms) - start)) -gt $(($2 * 1000)) ] && { echo -1; return; }
        sleep 0.02
    done
    echo $(($(now_ms) - start))
}
# Presses Enter in the newest box (its default button "Yes"), again until it
# has closed: a box just shown may not have the keyboard yet. Without a window
# manager the keyboard focus can stay elsewhere; then the button is clicked.
close_box() {
    local box before w h
    before=$(boxes)
    for attempt in 1 2 3 4; do
        box=$(newest_box)
        xdotool windowfocus "$box" 2>/dev/null || true
        sleep 0.3
        if [ "$attempt" -le 2 ]; then
            xdotool key --window "$box" Return 2>/dev/null || true # gone before the key's release
        else
            eval "$(xdotool getwindowgeometry --shell "$box")"
            xdotool mousemove --window "$box" $((WIDTH - 50)) $((HEIGHT - 24)) click 1
            say "(the box took the mouse, not the keyboard)"
        fi
        sleep 0.5
        if [ "$(boxes)" -lt "$before" ]; then return 0; fi
    done
    return 0
}
shot() { import -window root "$out/$1"; }
# The colour of the state label ("Состояние канала") as RRGGBB.
label_colour() { import -window root png:- | convert - -crop 1x1+205+264 txt:- | grep -o '#[0-9A-F]\{6\}' | head -n1 | tr -d '#'; }
requests() { grep -c ' > ' "$1" || true; }
# The installer's steps with the mouse: the last entry of the port list (the
# virtual port), "Старт" (the address stays 1).
connect_by_mouse() {
    xdotool mousemove --window "$win" 225 21 click 1
    sleep 0.5
    xdotool key Escape End
    sleep 0.3
    xdotool mousemove --window "$win" 293 78 click 1
    sleep 2
}
connected() { grep -q '"!01' "$1"; }

start_sim "$out/sim-a.log"
say "mirval-sim on $port"
"$build/src/app/mirval-pult" >"$out/pult.log" 2>&1 &
pult=$!
for _ in $(seq 50); do
    win=$(xwininfo -root -tree | awk '/"МИРВАЛ-В Пульт/ {print $1; exit}')
    [ -n "$win" ] && break
    sleep 0.1
done
sleep 1
xdotool windowfocus --sync "$win" 2>/dev/null || true

say "== A. keyboard: the unit falls silent during a change of \"Режим работы\""
# The port list has the focus: the last entry (the virtual port), the
# address, "Старт".
xdotool key --window "$win" End Tab Tab ctrl+a
xdotool type --window "$win" 1
xdotool key --window "$win" Tab space
sleep 2
shot a0-connected.png
check "connected by keyboard" connected "$out/sim-a.log"
# From "Стоп" the focus moves over "Тест", the clock and log buttons and
# "Канал" to "Режим работы".
for _ in 1 2 3 4 5 6 7; do xdotool key --window "$win" Tab; done
control "fault silence"
xdotool key --window "$win" Down
t=$(wait_boxes 1 15)
say "the mode change's failure after $t ms"
shot a1-change-failed.png
t=$(wait_boxes 2 45)
say "\"Нет ответа от блока!\" over it $t ms later"
check "two messages open" test "$t" -ge 0
shot a2-no-answer.png
heard=$(requests "$out/sim-a.log")
close_box
shot a3-one-closed.png
close_box
sleep 3
shot a4-after.png
check "no message after both were closed" test "$(boxes)" = 0
check "no request after \"Нет ответа от блока!\"" test "$(requests "$out/sim-a.log")" = "$heard"
check "state label blank on grey" test "$(label_colour)" = C0C0C0

say "== B. the adapter is pulled out (mirval-sim killed) while connected"
control clear
connect_by_mouse
shot b0-connected.png
check "connected again" connected "$out/sim-a.log"
start=$(now_ms)
kill -9 "$sim"
t=$(wait_boxes 1 5)
sim=
say "pulled out: \"Нет ответа от блока!\" after $t ms"
shot b1-pulled.png
check "the message within a second" test "$t" -ge 0 -a "$t" -lt 1000
close_box
sleep 1
shot b2-after.png
check "state label blank on grey after the pull" test "$(label_colour)" = C0C0C0
check "no message after it was closed" test "$(boxes)" = 0

say "== C. the unit falls silent while connected"
rm -f "$XDG_RUNTIME_DIR/mirval/ports/$port"  # the link the killed simulator left
start_sim "$out/sim-c.log"
sleep 1.5  # the port list looks every half second
connect_by_mouse
check "connected to the new port $port" connected "$out/sim-c.log"
colour=$(label_colour)
check "state label green (#$colour)" test "$colour" = 00FF00
start=$(now_ms)
control "fault silence"
while [ "$(label_colour)" != C0C0C0 ] && [ $(($(now_ms) - start)) -lt 10000 ]; do sleep 0.05; done
grey=$(($(now_ms) - start))
shot c1-grey.png
# The earliest the program can know: the third unanswered poll's request
# plus one attempt of 81 idle ticks of 10 ms, counted from the fault.
floor=$(awk '/control: fault silence on/ {t0 = $1} t0 && /no answer \(silence\)/ {n++; if (n == 3) {printf "%d", ($1 - t0 + 0.81) * 1000; exit}}' "$out/sim-c.log")
say "silenced: the label grey after $grey ms; the third poll ended no earlier than $floor ms (ratio $(awk -v a="$grey" -v b="$floor" 'BEGIN {printf "%.2f", a / b}'))"
check "grey after the third failed poll, not before" test "$grey" -ge "$floor"
check "grey within 3.5 s" test "$grey" -lt 3500
control clear
start=$(now_ms)
while [ "$(label_colour)" != 00FF00 ] && [ $(($(now_ms) - start)) -lt 5000 ]; do sleep 0.05; done
say "answered again: \"Норма\" after $(($(now_ms) - start)) ms"
shot c2-answered.png
check "the next answer repaints the label" test "$(label_colour)" = 00FF00

say "screenshots in $out"
exit $((failures > 0))
