#!/bin/sh
# Runs under xvfb-run (screen 1024x768): a copy of the run folder, the real program
# in its desktop window, a game started and the editor opened (F5), then S pressed
# with real keys while the level file cannot be replaced, and once more when it can.
# $1: the run folder, $2: the file this script reports into, $3: "bare" (no window
# manager) or "openbox". Each line of the report names one thing seen.
here=$(cd "$(dirname "$0")" && pwd)
run="$1"; out="$2"; wm="${3:-bare}"
note() { echo "$*" >> "$out"; }
: > "$out"
xdotool getdisplaygeometry > /dev/null 2>&1 || { note "NOX"; exit 0; }
note "XSTARTED"
. "$here/../common/xwindows.sh"
pid=$$
start_wm "$wm" || { note "NOWM"; exit 0; }
work=$(mktemp -d)
cp -r "$run"/. "$work"/ || { note "NORUNDIR"; stop_wm; exit 0; }
cd "$work" || exit 0
rm -f DebugOutput.Dbg gfx/lightmaps/*
unset SDL_VIDEODRIVER
# The sound device is not what is tried here: without one a box would say so first.
export SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}"
command -v import > /dev/null 2>&1 && command -v convert > /dev/null 2>&1 && pictures=1
shot() { [ -n "$pictures" ] && import -window root "$work/$1.png" 2>/dev/null; }
# Mean brightness (1/1000) of a region (WxH+X+Y) of picture $1.
brightness() { convert "$work/$1.png" -crop "$2" +repage -format '%[fx:int(1000*mean)]' info: 2>/dev/null; }
./frostwick > "$out.program" 2>&1 &
pid=$!
finish() {
    kill $pid 2>/dev/null
    wait $pid 2>/dev/null
    stop_wm
    cd / && rm -rf "$work"
    exit 0
}
# Waits (up to $2 tenths of a second) for a line matching $1 in the debug log.
logged() {
    i=0
    while [ $i -lt "$2" ]; do
        grep -q "$1" DebugOutput.Dbg 2>/dev/null && return 0
        kill -0 $pid 2>/dev/null || return 1
        i=$((i + 1)); sleep 0.1
    done
    return 1
}
# The editor's message box (xdotool's search does not see SDL's boxes); its id.
editor_box() { xwininfo -root -tree 2>/dev/null | sed -n 's/^ *\(0x[0-9a-f]*\) "Level editor":.*/\1/p' | head -n 1; }
# Waits (up to $1 tenths of a second) for the box and prints its id.
box_shown() {
    i=0
    while [ $i -lt "$1" ]; do
        b=$(editor_box)
        [ -n "$b" ] && { echo "$b"; return 0; }
        i=$((i + 1)); sleep 0.1
    done
    return 1
}
# Answers the editor's box with Return, as a person would; notes it as "$1".
answer_box() {
    box=$(box_shown 100) || return 1
    note "$1"
    xdotool windowfocus "$box" 2>/dev/null
    sleep 0.2
    xdotool key Return
    i=0
    while [ -n "$(editor_box)" ] && [ $i -lt 50 ]; do i=$((i + 1)); sleep 0.1; done
    [ -n "$(editor_box)" ] && note "BOXSTAYS"
    xdotool windowfocus "$win" 2>/dev/null
    return 0
}

dlg=$(window '^Game Settings$' 300) || { note "NODIALOG"; finish; }
# Until the dialog is drawn (a sanitized build starts slowly), then "Use desktop
# window" and Apply.
eval "$(xdotool getwindowgeometry --shell "$dlg")"
i=0
while [ -n "$pictures" ] && [ $i -lt 100 ]; do
    shot dialog && [ "$(brightness dialog 20x20+$((X + 130))+$((Y + 360)))" -gt 300 ] && break
    i=$((i + 1)); sleep 0.1
done
xdotool mousemove --window "$dlg" 40 317
xdotool click 1
xdotool key Return
gone '^Game Settings$' 100 || { note "NOAPPLY"; finish; }
win=$(window '^QUIL-ENGINE$' 300) || { note "NOWINDOW"; finish; }
logged 'Initialising Game' 300 || { note "NOGAME"; finish; }
note "ENGINEUP"
xdotool windowfocus "$win" 2>/dev/null
eval "$(xdotool getwindowgeometry --shell "$win")"
cx=$X; cy=$((Y + HEIGHT - 480))  # the client area's top-left corner
xdotool mousemove $((cx + 320)) $((cy + 240))

# START GAME, then EASY (Return until the game has started: the menus let a key
# act only every 0.3 s): level 0 is loaded and its lightmaps baked into the
# cache (emptied above), the walls' last.
n=0
while [ ! -s gfx/lightmaps/LMP0002.tga ] && [ $n -lt 10 ]; do
    xdotool key --delay 50 Return
    i=0
    while [ ! -s gfx/lightmaps/LMP0002.tga ] && [ $i -lt 10 ]; do i=$((i + 1)); sleep 0.1; done
    n=$((n + 1))
done
[ -s gfx/lightmaps/LMP0002.tga ] || { note "NOLEVEL"; finish; }
note "PLAYING"

# F5: the editor's icon column shows on the right.
icons="24x200+$((cx + 588))+$((cy + 28))"
xdotool key --delay 50 F5
i=0
while [ $i -lt 100 ]; do
    shot editor && [ "$(brightness editor "$icons")" -gt 150 ] && break
    i=$((i + 1)); sleep 0.1
done
[ $i -lt 100 ] && note "EDITOR"

# The level file cannot be replaced (its scratch name is a folder that is not empty).
cp gfx/Level0.dat before.dat
mkdir -p gfx/Level0.dat.new/keep
# The editor reads S as held at a frame: a press between two slow frames goes
# unheard, so S is pressed again until the box shows (a press at the box is the box's).
save_press() { xdotool key --delay 300 s; }
box_up() { [ -n "$(editor_box)" ]; }
press_until 30 save_press box_up
answer_box "BOX1" || note "NOBOX1"
# Held for several frames, told once: no second box for that press.
box_shown 15 > /dev/null && note "EXTRABOX"
press_until 30 save_press box_up
answer_box "BOX2" || note "NOBOX2"
# The same bytes, and not written again since the copy was made.
rewritten() { [ -n "$(find gfx -maxdepth 1 -name Level0.dat -newer before.dat)" ]; }
cmp -s gfx/Level0.dat before.dat && ! rewritten && note "UNCHANGED"

# Now it can be replaced: S saves (the same bytes: nothing was edited), with no box.
rm -rf gfx/Level0.dat.new
press_until 30 save_press rewritten && note "SAVED"
box_shown 10 > /dev/null && note "BOXONSAVE"
grep -q 'could not save gfx/level0.dat' DebugOutput.Dbg && note "LOGGED"
finish
