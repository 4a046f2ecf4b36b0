#!/bin/sh
# Runs under xvfb-run: starts the demo, presses F2, then chooses Game > Exit with
# the mouse. $1: the demo program, $2: the file for its output.
demo="$1"; out="$2"
unset SDL_VIDEODRIVER
"$demo" > "$out" 2>&1 &
pid=$!
i=0
while ! grep -q '^MENU' "$out" 2>/dev/null; do
    i=$((i + 1)); [ $i -gt 200 ] && { echo "DRIVER no window" >> "$out"; kill $pid; exit 1; }
    sleep 0.1
done
wid=$(xdotool search --sync --onlyvisible --name 'QUIL-ENGINE Demo' | head -n 1)
set -- $(grep '^MENU' "$out" | head -n 1)
tx=$2; ty=$3; ix=$4; iy=$5
sleep 0.5
# The window takes the keyboard when shown; no window manager is needed.
sleep 0.3
xdotool key F2
# F2 opens the settings dialog; a slow start may need a second press.
i=0
while ! grep -q 'DIALOGSHOWN' "$out"; do
    i=$((i + 1))
    [ $i -eq 30 ] && { xdotool windowfocus "$wid"; xdotool key F2; }
    [ $i -gt 60 ] && break
    sleep 0.1
done
# "Apply" (dialog units 5, 215, 180 x 14) is clicked with the mouse.
dwid=$(xdotool search --sync --onlyvisible --name 'Game Settings' | head -n 1)
sleep 0.5
xdotool mousemove --window "$dwid" 143 360
sleep 0.3
xdotool click 1
i=0
while ! grep -q '^DIALOG ' "$out"; do
    i=$((i + 1)); [ $i -gt 50 ] && break
    sleep 0.1
done
sleep 0.3
xdotool mousemove --window "$wid" "$tx" "$ty"
sleep 0.3
xdotool click 1
sleep 0.5
xdotool mousemove --window "$wid" "$ix" "$iy"
sleep 0.3
xdotool click 1
i=0
while kill -0 $pid 2>/dev/null; do
    i=$((i + 1)); [ $i -gt 100 ] && { echo "DRIVER still running" >> "$out"; kill $pid; exit 1; }
    sleep 0.1
done
wait $pid
echo "STATUS $?" >> "$out"
