#!/bin/sh
# Runs under xvfb-run: starts the program from its run folder and drives it as a
# person would. $1: the run folder, $2: the file this script reports into.
# Each line of the report names one thing seen; the test reads them.
run="$1"; out="$2"
note() { echo "$*" >> "$out"; }
: > "$out"
xdotool getdisplaygeometry > /dev/null 2>&1 || { note "NOX"; exit 0; }
note "XSTARTED"
unset SDL_VIDEODRIVER
cd "$run" || { note "NORUNDIR"; exit 0; }
rm -f DebugOutput.Dbg
./frostwick > "$out.program" 2>&1 &
pid=$!

# Waits (up to $2 tenths of a second) for a visible window whose name matches $1
# and prints its id.
window() {
    i=0
    while [ $i -lt "$2" ]; do
        w=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1)
        [ -n "$w" ] && { echo "$w"; return 0; }
        kill -0 $pid 2>/dev/null || return 1
        i=$((i + 1)); sleep 0.1
    done
    return 1
}
# Waits until no visible window matches $1.
gone() {
    i=0
    while [ $i -lt "$2" ]; do
        [ -z "$(xdotool search --onlyvisible --name "$1" 2>/dev/null)" ] && return 0
        i=$((i + 1)); sleep 0.1
    done
    return 1
}
# Top-level windows as "id name" lines.
windows() {
    if command -v xwininfo > /dev/null 2>&1; then
        xwininfo -root -children | sed -n 's/^ *\(0x[0-9a-f]*\) "\(.*\)":.*/\1 \2/p'
    else
        for b in $(xdotool search --onlyvisible --name '.' 2>/dev/null); do
            echo "$b $(xdotool getwindowname "$b" 2>/dev/null)"
        done
    fi
}
# Answers any message box (a window that is neither the program's window nor
# its dialog) with Return, as a person would, and notes its caption.
answer_boxes() {
    windows | while read -r b name; do
        case "$name" in
            QUIL-ENGINE|"Game Settings"|"") ;;
            *)
                note "BOX $name"
                xdotool windowfocus "$b" 2>/dev/null
                sleep 0.2
                xdotool key Return
                sleep 0.3 ;;
        esac
    done
}
finish() {
    i=0
    while kill -0 $pid 2>/dev/null; do
        i=$((i + 1))
        [ $i -gt 300 ] && { note "STILLRUNNING"; kill $pid; wait $pid; note "STATUS killed"; exit 0; }
        sleep 0.1
    done
    wait $pid
    note "STATUS $?"
    exit 0
}

# The settings dialog: click "Use desktop &window" (dialog units 10, 190, 80 x 10),
# then Return for "Apply", the default button.
dlg=$(window '^Game Settings$' 300) || { note "NODIALOG"; finish; }
note "DIALOG $(xdotool getwindowgeometry "$dlg" | grep Geometry | tr -d ' ')"
sleep 0.5
xdotool mousemove --window "$dlg" 40 317
sleep 0.2
xdotool click 1
sleep 0.3
xdotool key Return
gone '^Game Settings$' 50 && note "APPLIED"

# The main window with its menu bar (the strip above the 640 x 480 client area).
win=$(window '^QUIL-ENGINE$' 300) || { note "NOWINDOW"; finish; }
note "WINDOW $(xdotool getwindowgeometry "$win" | grep Geometry | tr -d ' ')"
# The engine is up once its banner is in the log; the game's own start-up is
# given a few seconds. A box (no sound device, for one) is answered on the way.
i=0
while [ $i -lt 150 ]; do
    answer_boxes
    kill -0 $pid 2>/dev/null || break
    if grep -q 'Initialising Velmarune GameEngine' DebugOutput.Dbg 2>/dev/null; then
        grep -q 'Initialising Game' DebugOutput.Dbg 2>/dev/null && break
        [ $i -ge 50 ] && break
    fi
    i=$((i + 1)); sleep 0.2
done
grep -q 'Initialising Velmarune GameEngine' DebugOutput.Dbg 2>/dev/null && note "ENGINEUP"
sleep 1
answer_boxes

# F2 opens the dialog again; Escape closes it. The window takes the keyboard first.
xdotool mousemove --window "$win" 320 300
xdotool windowfocus "$win" 2>/dev/null
sleep 0.3
xdotool key F2
dlg=$(window '^Game Settings$' 50)
# A slow start may have missed a press.
for retry in 1 2; do
    [ -n "$dlg" ] && break
    answer_boxes
    xdotool windowfocus "$win" 2>/dev/null
    xdotool key F2
    dlg=$(window '^Game Settings$' 50)
done
if [ -n "$dlg" ]; then
    note "F2DIALOG"
    xdotool mousemove --window "$dlg" 140 20
    xdotool windowfocus "$dlg" 2>/dev/null
    sleep 0.3
    xdotool key Escape
    gone '^Game Settings$' 50 && note "F2CLOSED"
else
    note "NOF2DIALOG"
fi
sleep 0.5

# The menu bar from the keyboard (the game holds the mouse captured, so clicks
# go to the game, as on Windows): F10 opens "Game", then the mnemonic of "E&xit".
xdotool windowfocus "$win" 2>/dev/null
sleep 0.3
xdotool key F10
sleep 0.5
xdotool key x
i=0
while kill -0 $pid 2>/dev/null && [ $i -lt 30 ]; do i=$((i + 1)); sleep 0.1; done
if kill -0 $pid 2>/dev/null; then
    note "NOMENUEXIT"
    # The title menu's own way out: Escape asks the game to quit.
    xdotool windowfocus "$win" 2>/dev/null
    xdotool key Escape
else
    note "MENUEXIT"
fi
finish
