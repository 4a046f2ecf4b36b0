#!/bin/sh
# Runs under Xvfb: starts the program from a copy of its run folder, then presses
# F2 and answers the settings dialog with Apply in the title menu, in play and in
# the editor, noting the program's peak resident size (VmHWM) at each stage.
# $1: the run folder, $2: the report file (one finding a line), $3: a folder for
# screenshots (optional). With NOCHANGE set, F2 is not pressed (to measure a
# build whose device change fails). With HEAPTRACK set, the program runs under heaptrack,
# which writes its record into that folder.
here=$(cd "$(dirname "$0")" && pwd)
run="$1"; out="$2"; shots="${3:-}"
note() { echo "$*" >> "$out"; }
: > "$out"
xdotool getdisplaygeometry > /dev/null 2>&1 || { note "NOX"; exit 0; }
unset SDL_VIDEODRIVER
work=$(mktemp -d /tmp/quil_devchange_XXXXXX)
# Another test may be writing its log into the run folder meanwhile: copy what is there.
cp -r "$run"/. "$work"/ 2>/dev/null
[ -x "$work/frostwick" ] && cd "$work" || { note "NORUNDIR"; exit 0; }
rm -f DebugOutput.Dbg frostwick.dat
${HEAPTRACK:+heaptrack -o "$HEAPTRACK/frostwick"} "$work/frostwick" > "$out.program" 2>&1 &
pid=$!
hwm() {
    p=$(pgrep -n -f "^$work/frostwick") && note "VMHWM $1 $(sed -n "s/^VmHWM:[[:space:]]*//p" /proc/$p/status)"
}

. "$here/../common/xwindows.sh"
# Any other top-level window is a message box: note its caption and answer it.
answer_boxes() {
    xwininfo -root -children | sed -n 's/^ *\(0x[0-9a-f]*\) "\(.*\)":.*/\1 \2/p' | while read -r b name; do
        case "$name" in
            QUIL-ENGINE|"Game Settings"|"") ;;
            *) note "BOX $name"; xdotool windowfocus "$b" 2>/dev/null; sleep 0.2; xdotool key Return; sleep 0.3 ;;
        esac
    done
}
shot() { [ -n "$shots" ] && import -window root "$shots/$1.png" 2>/dev/null; }
key() { xdotool windowfocus "$win" 2>/dev/null; sleep 0.2; xdotool keydown "$1"; sleep 0.15; xdotool keyup "$1"; }
# F2, then Return for the dialog's default button, Apply; the program must still run.
change_device() {
    [ -n "$NOCHANGE" ] && return
    key F2
    dlg=$(window '^Game Settings$' 50) || { note "NODIALOG $1"; return; }
    xdotool windowfocus "$dlg" 2>/dev/null; sleep 0.3
    xdotool key Return
    gone '^Game Settings$' 50 || note "DIALOGSTAYS $1"
    sleep 1.5
    answer_boxes
    kill -0 $pid 2>/dev/null && note "RUNNING $1" || note "ENDED $1"
}
finish() {
    i=0
    while kill -0 $pid 2>/dev/null && [ $i -lt 100 ]; do i=$((i + 1)); sleep 0.1; done
    kill -0 $pid 2>/dev/null && { note "STILLRUNNING"; kill $pid; }
    wait $pid; note "STATUS $?"
    cp DebugOutput.Dbg "$out.log" 2>/dev/null
    cd / && rm -rf "$work"
    exit 0
}

dlg=$(window '^Game Settings$' 300) || { note "NODIALOG start"; finish; }
sleep 0.5
xdotool mousemove --window "$dlg" 40 317 click 1
sleep 0.3
xdotool key Return
win=$(window '^QUIL-ENGINE$' 300) || { note "NOWINDOW"; finish; }
i=0
while [ $i -lt 100 ] && ! grep -q 'Initialising Game' DebugOutput.Dbg 2>/dev/null; do answer_boxes; i=$((i + 1)); sleep 0.2; done
sleep 2
answer_boxes
xdotool mousemove --window "$win" 320 300
shot menu-before
hwm menu
change_device menu
shot menu-after
# Return on "START GAME", Return on "EASY"; then four seconds of "get ready".
key Return
sleep 1
key Return
sleep 6
shot play-before
change_device play
shot play-after
sleep 1
kill -0 $pid 2>/dev/null && note "PLAYING"
hwm play
# F5: the editor, with its own device change.
key F5
sleep 2
shot editor-before
change_device editor
shot editor-after
hwm editor
note "GAMEINITS $(grep -c 'Initialising Game' DebugOutput.Dbg)"
note "LEVELLOADS $(grep -ci 'Loading level\|Level0.dat' DebugOutput.Dbg)"
key F5
sleep 1
key Escape
sleep 1
key Escape
finish
