#!/bin/sh
# Runs under Xvfb: starts the program from a copy of its run folder, then presses
# F2 and answers the settings dialog with Apply in the title menu, in play and in
# the editor, noting the program's peak resident size (VmHWM) at each stage.
# $1: the run folder, $2: the report file (one finding a line), $3: a folder for
# screenshots (optional), $4: "bare" (no window manager, the default) or "openbox". With NOCHANGE set, F2 is not pressed (to measure a
# build whose device change fails). With HEAPTRACK set, the program runs under heaptrack,
# which writes its record into that folder.
here=$(cd "$(dirname "$0")" && pwd)
run="$1"; out="$2"; shots="${3:-}"; wm="${4:-bare}"
note() { echo "$*" >> "$out"; }
: > "$out"
xdotool getdisplaygeometry > /dev/null 2>&1 || { note "NOX"; exit 0; }
unset SDL_VIDEODRIVER
work=$(mktemp -d /tmp/quil_devchange_XXXXXX)
# Another test may be writing its log into the run folder meanwhile: copy what is there.
cp -r "$run"/. "$work"/ 2>/dev/null
[ -x "$work/frostwick" ] && cd "$work" || { note "NORUNDIR"; exit 0; }
rm -f DebugOutput.Dbg frostwick.dat
. "$here/../common/xwindows.sh"
start_wm "$wm" || { note "NOWM"; exit 0; }
${HEAPTRACK:+heaptrack -o "$HEAPTRACK/frostwick"} "$work/frostwick" > "$out.program" 2>&1 &
pid=$!
status=""
hwm() {
    p=$(pgrep -n -f "^$work/frostwick") && note "VMHWM $1 $(sed -n "s/^VmHWM:[[:space:]]*//p" /proc/$p/status)"
}

shot() { [ -n "$shots" ] && import -window root "$shots/$1.png" 2>/dev/null; }
# A key pressed for 0.15 s, as a hand does, once the game has the keyboard.
key() { focus "$win"; xdotool keydown "$1"; sleep 0.15; xdotool keyup "$1"; }
# F2, then Return for the dialog's default button, Apply; the program must still run.
change_device() {
    [ -n "$NOCHANGE" ] && return
    key F2
    dlg=$(window '^Game Settings$' 50) || { note "NODIALOG $1"; return; }
    focus "$dlg"
    xdotool key Return
    gone '^Game Settings$' 50 || note "DIALOGSTAYS $1"
    # The new device is up once the game has the keyboard back.
    until_ok 100 has_focus "$win" || answer_boxes
    answer_boxes
    kill -0 $pid 2>/dev/null && note "RUNNING $1" || note "ENDED $1"
}
finish() {
    if [ -n "$status" ] || ended 100; then note "STATUS $status"; else note "STILLRUNNING"; kill $pid; wait $pid; note "STATUS killed"; fi
    stop_wm
    cp DebugOutput.Dbg "$out.log" 2>/dev/null
    cd / && rm -rf "$work"
    exit 0
}

dlg=$(window '^Game Settings$' 300) || { note "NODIALOG start"; finish; }
focus "$dlg"
xdotool mousemove --window "$dlg" 40 317 click 1
xdotool key Return
win=$(window '^QUIL-ENGINE$' 300) || { note "NOWINDOW"; finish; }
i=0
while [ $i -lt 300 ] && ! grep -q 'Initialising Game' DebugOutput.Dbg 2>/dev/null; do answer_boxes; i=$((i + 1)); sleep 0.2; done
answer_boxes
focus "$win"
xdotool mousemove --window "$win" 320 300
shot menu-before
hwm menu
change_device menu
shot menu-after
# START GAME, then EASY (the menus take a key only 0.3 s after the last, so a key
# may go unheard), then play, once the level's teal "get ready" lines have come and gone.
seen=$(mktemp -d)
# Where the game's 640x480 picture is (the lower part of the client area), once the
# window stays put: after a device change a window manager may still be moving it.
steady() { p=$(placement "$win"); sleep 0.2; [ "$p" = "$(placement "$win")" ]; }
locate() {
    until_ok 50 steady
    set -- $(placement "$win"); cx=$1; cy=$(($2 + $4 - 480))
    lines="260x12+$((cx + 190))+$((cy + 250))"
    icons="24x24+$((cx + 588))+$((cy + 28))"
}
locate
# "min(red, green) - blue" and "red - green" of a region of the screen, in 1/1000.
colour() {
    import -window root -crop "$1" +repage "$seen/now.png" 2>/dev/null || return 1
    convert "$seen/now.png" -format '%[fx:int(1000*mean.r)] %[fx:int(1000*mean.g)] %[fx:int(1000*mean)]' info: 2>/dev/null
}
start_easy_game || note "NOPLAY"
shot play-before
change_device play
shot play-after
locate
until_ok 100 easy_playing && note "PLAYING"
hwm play
# F5: the editor (its icon column on the right), with its own device change.
editor() { colour "$icons" | { read -r r g a; [ $((r - g)) -gt 60 ]; }; }
key F5
until_ok 50 editor || note "NOEDITOR"
shot editor-before
change_device editor
shot editor-after
hwm editor
note "GAMEINITS $(grep -c 'Initialising Game' DebugOutput.Dbg)"
note "LEVELLOADS $(grep -ci 'Loading level\|Level0.dat' DebugOutput.Dbg)"
# F5 closes the editor; Escape ends the game; Escape in the menu quits (each
# repeated until it has acted: the game takes keys a little apart).
key F5
until_ok 50 easy_playing
key Escape
k=0
while [ $k -lt 10 ] && kill -0 $pid 2>/dev/null; do key Escape; ended 10 && break; k=$((k + 1)); done
rm -rf "$seen"
finish
