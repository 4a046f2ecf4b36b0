#!/bin/sh
# Runs under Xvfb: starts the program from a copy of its run folder and changes
# level again and again as a person would, with real keys and the real pointer:
# the editor's F5 R S F5 on the title menu, START GAME, EASY, then F7 and F6 in
# play with the lightmap cache wholly or partly deleted before each change, and
# Escape back to the menu. The settings dialog is closed with its close box and
# the box about the missing sound device answered with the pointer.
# $1: the run folder, $2: the report file (one finding a line), $3: "openbox"
# to run under that window manager (a bare X server otherwise), $4: cycles.
here=$(cd "$(dirname "$0")" && pwd)
run="$1"; out="$2"; wm="${3:-bare}"; cycles="${4:-3}"
note() { echo "$*" >> "$out"; }
: > "$out"
xdotool getdisplaygeometry > /dev/null 2>&1 || { note "NOX"; exit 0; }
unset SDL_VIDEODRIVER
# No sound device: the program shows its box and runs silent.
export SDL_AUDIODRIVER=no-such-device
. "$here/../common/xwindows.sh"
if [ "$wm" = openbox ]; then start_wm openbox || { note "NOWM"; exit 0; }; fi
work=$(mktemp -d /tmp/quil_levelstress_XXXXXX)
cp -r "$run"/. "$work"/ 2>/dev/null
[ -x "$work/frostwick" ] && cd "$work" || { note "NORUNDIR"; stop_wm; exit 0; }
rm -f DebugOutput.Dbg frostwick.dat
"$work/frostwick" > "$out.program" 2>&1 &
pid=$!
maps=gfx/lightmaps

finish() {
    i=0
    while kill -0 $pid 2>/dev/null && [ $i -lt 150 ]; do i=$((i + 1)); sleep 0.1; done
    kill -0 $pid 2>/dev/null && { note "STILLRUNNING"; kill $pid; }
    wait $pid; note "STATUS $?"
    cp DebugOutput.Dbg "$out.log" 2>/dev/null
    stop_wm
    cd / && rm -rf "$work"
    exit 0
}
# A key held for a moment, as a hand presses it, to the game's window.
key() {
    kill -0 $pid 2>/dev/null || return 1
    xdotool windowfocus "$win" 2>/dev/null
    xdotool keydown "$1"; sleep 0.1; xdotool keyup "$1"
}
# Waits (up to $2 tenths of a second) until the program has saved a level file
# $1 times or more (S repeats while held).
saves() {
    i=0
    while [ $i -lt "$2" ]; do
        [ "$(grep -c 'File Saved: gfx/level' DebugOutput.Dbg 2>/dev/null)" -ge "$1" ] && return 0
        kill -0 $pid 2>/dev/null || return 1
        i=$((i + 1)); sleep 0.1
    done
    return 1
}
# Level $1's three maps in the cache.
level_maps() { ls $maps/LMP$(printf %02d "$1")0[012].tga 2>/dev/null | wc -l; }
# Deletes some of level $1's cached maps ($2: how many, 1 to 3) with their records.
stale() {
    for s in 0 1 2; do
        [ $s -lt "$2" ] && rm -f $maps/LMP$(printf %02d "$1")0$s.tga $maps/LMP$(printf %02d "$1")0$s.key
    done
}
# Presses $1 until level $2's maps are all back in the cache (the level was
# loaded and baked what was missing), up to $3 tenths of a second; a press
# seen while the level's texts still stand is not taken, so it is repeated.
change() {
    t=0
    while [ $t -lt "$3" ]; do
        key "$1" || return 1
        i=0
        while [ $i -lt 15 ]; do
            [ "$(level_maps "$2")" -eq 3 ] && return 0
            kill -0 $pid 2>/dev/null || return 1
            i=$((i + 1)); t=$((t + 1)); sleep 0.1
        done
    done
    return 1
}

dlg=$(window '^Game Settings$' 300) || { note "NODIALOG"; finish; }
sleep 0.5
# The dialog's close box keeps its choices: a desktop window. Without a window
# manager there is no frame: Escape closes it the same way.
if [ -n "$wm_pid" ]; then
    eval "$(xdotool getwindowgeometry --shell "$dlg")"
    xdotool mousemove $((X + WIDTH - 12)) $((Y - 31)) click 1
else
    xdotool windowfocus "$dlg" 2>/dev/null; sleep 0.2; xdotool key Escape
fi
gone '^Game Settings$' 50 || { note "DIALOGSTAYS"; xdotool key Escape; }
win=$(window '^QUIL-ENGINE$' 300) || { note "NOWINDOW"; finish; }
# The sound box: OK with the pointer (its button under the window's middle).
i=0
while [ $i -lt 150 ] && ! grep -q 'Initialising Game' DebugOutput.Dbg 2>/dev/null; do
    kill -0 $pid 2>/dev/null || break
    # Width, height and screen position of the box (a window of another process).
    box=$(xwininfo -root -tree 2>/dev/null | sed -n \
        's/^ *0x[0-9a-f]* "QEV Demo": ([^)]*) *\([0-9]*\)x\([0-9]*\)[+-][0-9]*[+-][0-9]* *+\(-\{0,1\}[0-9]*\)+\(-\{0,1\}[0-9]*\)$/\1 \2 \3 \4/p' |
        head -n 1)
    if [ -n "$box" ]; then
        set -- $box
        xdotool mousemove $(($3 + $1 / 2)) $(($4 + $2 - 30)) click 1
        note "BOX"
        sleep 0.5
    fi
    i=$((i + 1)); sleep 0.2
done
grep -q 'Initialising Game' DebugOutput.Dbg 2>/dev/null && note "ENGINEUP" || finish
sleep 0.5

c=0
while [ $c -lt "$cycles" ]; do
    c=$((c + 1))
    # A blank one-room level 1 from the editor on the title menu.
    key F5; sleep 0.7; key r; sleep 0.3; key s
    saves "$c" 100 && note "SAVED $c"
    sleep 0.3; key F5; sleep 0.7
    # START GAME, EASY: level 1 is baked anew (its content changed).
    rm -f $maps/*
    key Return; sleep 0.4; key Return
    # F7 and F6 with one, two or all three maps of the next level stale.
    stale 1 $((c % 3 + 1))
    change F7 1 300 && note "NEXT $c"
    # Mesa's software renderer must draw without its rasterizer threads, whose
    # late unlock of a freed fence damages the heap (see quil_gl_driver.h).
    note "RASTERTHREADS $(cat /proc/$pid/task/*/comm 2>/dev/null | grep -c '^llvmpipe')"
    stale 0 $(((c + 1) % 3 + 1))
    change F6 0 300 && note "PREVIOUS $c"
    stale 1 3
    change F7 1 300 && note "NEXT $c"
    key Escape; sleep 0.8
done
# The title menu's Escape quits.
key Escape
finish
