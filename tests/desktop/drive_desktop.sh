#!/bin/sh
# Runs under xvfb-run (screen 1280x1024): starts the program from its run folder and
# drives it with the real X pointer and real keys, on a bare X server or under a
# window manager. Every wait has a deadline.
# $1: the run folder, $2: the report file, $3: the scenario (box, boxkeys,
# xgone, toggle, f2window, f2full), $4: "openbox" or "bare".
# Each report line names one thing seen; desktop_test.cpp reads them.
here=$(cd "$(dirname "$0")" && pwd)
run="$1"; out="$2"; scenario="$3"; wm="${4:-bare}"
note() { echo "$*" >> "$out"; }
: > "$out"
xdotool getdisplaygeometry > /dev/null 2>&1 && command -v xwininfo > /dev/null 2>&1 &&
    command -v import > /dev/null 2>&1 && command -v convert > /dev/null 2>&1 || { note "NOX"; exit 0; }
note "XSTARTED"
. "$here/../common/xwindows.sh"
start_wm "$wm" || { note "NOWM"; exit 0; }
unset SDL_VIDEODRIVER
cd "$run" || { note "NORUNDIR"; exit 0; }
shots=$(mktemp -d)
# xgone plays from a copy of the run folder whose lightmap folder is a file: no
# lightmap can be saved, and the game says so in a box.
if [ "$scenario" = xgone ]; then
    cp -r . "$shots/run" && rm -rf "$shots/run/gfx/lightmaps" && echo > "$shots/run/gfx/lightmaps" &&
        cd "$shots/run" || { note "NOCOPY"; exit 0; }
fi
rm -f DebugOutput.Dbg
# No sound device for the box scenarios: the driver fails to open.
case "$scenario" in box*) audio=nosuchdriver ;; *) audio=dummy ;; esac
SDL_AUDIODRIVER=$audio ./frostwick > "$out.program" 2>&1 &
pid=$!

finish() {
    i=0
    while kill -0 $pid 2>/dev/null && [ $i -lt 150 ]; do i=$((i + 1)); sleep 0.1; done
    # A program that did not end is stopped with any process of its own (a box's).
    if kill -0 $pid 2>/dev/null; then note "STILLRUNNING"; kill $(ps -o pid= --ppid $pid) $pid; wait $pid
    else wait $pid; note "STATUS $?"; fi
    stop_wm
    # KEEP_SHOTS=folder keeps the screenshots for a person to look at.
    [ -n "$KEEP_SHOTS" ] && mkdir -p "$KEEP_SHOTS" && cp "$shots"/*.png "$KEEP_SHOTS"/ 2>/dev/null
    rm -rf "$shots"
    exit 0
}
shot() { import -window root "$shots/$1.png" 2>/dev/null; }
# Root-mean-square difference of two regions (WxH+X+Y each), in 1/1000; the second
# region is scaled to the first's size.
difference() {
    convert "$shots/$1.png" -crop "$2" +repage "$shots/a.png" 2>/dev/null
    convert "$shots/$3.png" -crop "$4" +repage -resize "${2%%+*}!" "$shots/b.png" 2>/dev/null
    convert "$shots/a.png" "$shots/b.png" -compose difference -composite -colorspace gray \
        -format '%[fx:int(1000*sqrt(mean*mean+standard_deviation*standard_deviation))]' info: 2>/dev/null
}
# The same on pictures shrunk to blocks of about 16 pixels: what is where, not the
# detail (falling snow, a different aspect ratio's small shifts).
coarse_difference() {
    convert "$shots/$1.png" -crop "$2" +repage -scale 6.25% "$shots/a.png" 2>/dev/null
    convert "$shots/$3.png" -crop "$4" +repage -resize "${2%%+*}!" -scale 6.25% "$shots/b.png" 2>/dev/null
    convert "$shots/a.png" "$shots/b.png" -compose difference -composite -colorspace gray \
        -format '%[fx:int(1000*sqrt(mean*mean+standard_deviation*standard_deviation))]' info: 2>/dev/null
}
# "red green blue" means of a region of a picture, in 1/1000.
colour() {
    convert "$shots/$1.png" -crop "$2" +repage \
        -format '%[fx:int(1000*mean.r)] %[fx:int(1000*mean.g)] %[fx:int(1000*mean.b)]' info: 2>/dev/null
}
size() { xwininfo -id "$1" 2>/dev/null | sed -n 's/^ *Width: //p;s/^ *Height: //p' | paste -sd ' ' -; }
origin() { xwininfo -id "$1" 2>/dev/null | sed -n 's/^ *Absolute upper-left [XY]: *//p' | paste -sd ' ' -; }
# The window manager's frame around the window: left right top bottom (0 0 0 0 without one).
extents() {
    e=$(xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.*= //p' | tr -d ,)
    echo "${e:-0 0 0 0}"
}
state() {
    if xprop -id "$1" WM_STATE 2>/dev/null | grep -q Iconic; then echo iconic
    elif xwininfo -id "$1" 2>/dev/null | grep -q IsViewable; then echo shown
    else echo unmapped; fi
}
# Waits up to $2 tenths of a second until the command $1 succeeds.
until_true() {
    k=0
    while [ $k -lt "$2" ]; do
        eval "$1" && return 0
        kill -0 $pid 2>/dev/null || return 1
        k=$((k + 1)); sleep 0.1
    done
    return 1
}
# Waits until two screenshots in a row differ somewhere in region $1 (the game draws).
drawing() {
    shot draw0
    k=0
    while [ $k -lt 30 ]; do
        sleep 0.2; shot draw1
        [ "$(difference draw0 "$1" draw1 "$1")" -gt 0 ] && return 0
        k=$((k + 1))
    done
    return 1
}
# A message box: a top-level window (framed or not) with the given caption.
box() { xwininfo -root -tree 2>/dev/null | sed -n "s/^ *\(0x[0-9a-f]*\) \"$1\".*/\1/p" | head -n 1; }
screen=$(xdotool getdisplaygeometry | tr ' ' x)
full="${screen}+0+0"

dlg=$(window '^Game Settings$' 300) || { note "NODIALOG"; finish; }
# Until the dialog takes keys (a sanitized build starts slowly).
until_true 'shot dlg; [ "$(colour dlg 40x40+$(($(origin $dlg | cut -d" " -f1) + 150))+$(($(origin $dlg | cut -d" " -f2) + 350)) | cut -d" " -f1)" -gt 300 ]' 100
timeout 5 xdotool windowfocus --sync "$dlg" 2>/dev/null
case "$scenario" in
    box*|f2full) xdotool windowfocus "$dlg" 2>/dev/null; xdotool key Return ;;  # the default: full screen
    *)
        # "Use desktop &window" (dialog units 10, 190), then Apply.
        xdotool mousemove --window "$dlg" 40 317 click 1
        sleep 0.3
        xdotool key Return ;;
esac
gone '^Game Settings$' 100 && note "APPLIED"
win=$(window '^QUIL-ENGINE$' 300) || { note "NOWINDOW"; finish; }

if [ "$scenario" = box ] || [ "$scenario" = boxkeys ]; then
    # The sound box comes up over the full-screen window and takes the keyboard
    # by itself: from the window manager, or on a bare server from the program.
    until_true '[ -n "$(box "QEV Demo")" ]' 300 || { note "NOBOX"; finish; }
    b=$(box "QEV Demo")
    note "BOX"
    until_true 'xwininfo -id $b 2>/dev/null | grep -q IsViewable' 50
    until_true 'has_focus $(($b))' 50 && note "BOXKEYBOARD"
    shot box
    answer=Return
    if [ "$scenario" = boxkeys ]; then
        # Keys that reach the game's window while the box is up are the box's:
        # on the title Escape would quit and Return open the difficulty menu.
        focus "$win" && note "GAMEKEYBOARD"
        xdotool key Escape Return
        focus $(($b))
        answer=Escape
    fi
    xdotool key $answer
    until_true '[ -z "$(box "QEV Demo")" ]' 50 && note "BOXGONE"
    # Back to the game: full screen, shown, drawing and hearing keys (nobody
    # hands it the keyboard here).
    until_true '[ "$(state $win)" = shown ] && [ "$(size $win | tr " " x)" = "$screen" ]' 50
    note "AFTERBOX $(state "$win") $(size "$win")"
    drawing "$full" && note "DRAWING"
    kill -0 $pid 2>/dev/null && note "ALIVE"
    shot end && note "PICTURE $(colour end "$full")"
    # The title menu's Escape quits.
    xdotool key Escape
    finish
fi
# Escape until the program ends (from play: to the title menu, then out).
escape_out() {
    for k in 1 2 3; do
        xdotool key --delay 5 Escape
        until_true false 50
        kill -0 $pid 2>/dev/null || break
    done
    finish
}

# Until the front end is drawn (a night scene: neither the black nor the white of
# a window not drawn yet).
if [ "$scenario" = f2full ]; then client="$full"; else set -- $(origin "$win"); client="640x480+$1+$(($2 + 20))"; fi
night() { colour fe "$client" | { read -r r g b; [ "$b" -gt 150 ] && [ "$b" -lt 700 ] && [ "$r" -lt 700 ]; }; }
until_true 'shot fe; night' 300 || note "NOFRONTEND"

if [ "$scenario" = xgone ]; then
    # START GAME, EASY (Return until the difficulty menu with its yellow "BACK
    # TO MAIN MENU" row has come, then until it has gone), and the level's
    # lightmaps cannot be saved.
    focus "$win"
    set -- $(origin "$win"); cx=$1; cy=$(($2 + 20))
    yellow() { shot menu; colour menu "300x22+$((cx + 100))+$((cy + 302))" | { read -r r g b; [ $(((r < g ? r : g) - b)) -gt 120 ]; }; }
    not_yellow() { ! yellow; }
    enter() { xdotool key --delay 5 Return; }
    press_until 20 enter yellow || note "NODIFFICULTYMENU"
    press_until 10 enter not_yellow
    until_true '[ -n "$(box "TRAP Error")" ]' 900 || { note "NOBOX"; finish; }
    note "BOX"
    b=$(box "TRAP Error")
    until_true 'xwininfo -id $b 2>/dev/null | grep -q IsViewable' 50
    shot xgone
    # The X server goes (its pid is in its display's lock file): the program
    # and the box's process must end by themselves, and soon.
    kids=$(ps -o pid= --ppid $pid)
    note "CHILDREN $(echo $kids | wc -w)"
    kill "$(tr -d ' ' < "/tmp/.X${DISPLAY#:}-lock")" && note "XGONE"
    left() {
        for p in $pid $kids; do
            s=$(ps -o stat= -p $p 2>/dev/null)
            [ -n "$s" ] && [ "${s#Z}" = "$s" ] && echo "$p $s $(ps -o wchan= -p $p)"
        done
    }
    k=0
    while [ -n "$(left)" ] && [ $k -lt 100 ]; do k=$((k + 1)); sleep 0.1; done
    if [ -n "$(left)" ]; then
        note "LEFT $(left | tr '\n' ' ')"
        for p in $pid $kids; do kill -KILL $p 2>/dev/null; done
    fi
    wait $pid
    note "STATUS $?"
    [ -n "$KEEP_SHOTS" ] && mkdir -p "$KEEP_SHOTS" && cp "$shots"/*.png "$KEEP_SHOTS"/ 2>/dev/null
    rm -rf "$shots"
    exit 0
fi

if [ "$scenario" = toggle ]; then
    note "FRAME0 $(extents "$win")"
    # The pointer rests inside the client area and is not touched again.
    set -- $(origin "$win"); cx=$1; cy=$(($2 + 20))
    xdotool mousemove $((cx + 400)) $((cy + 300))
    sleep 0.3
    # START GAME, EASY; play starts when the clock of the HUD (yellow, top right)
    # is there.
    xdotool key --delay 5 Return
    sleep 0.5
    xdotool key --delay 5 Return
    clock="26x28+$((cx + 491))+$((cy + 8))"
    yellow() {
        [ "$(convert "$shots/play.png" -crop "$clock" +repage -fx 'r>0.8&&g>0.7&&b<0.5' \
            -format '%[fx:int(1000*mean)]' info: 2>/dev/null)" -gt 40 ]
    }
    until_true 'shot play; yellow' 200 || note "NOPLAY"
    # Play proper starts when the level's white greeting has gone (the world
    # stands still under it).
    greeting="360x40+$((cx + 150))+$((cy + 210))"
    white() {
        [ "$(convert "$shots/play.png" -crop "$greeting" +repage -fx 'r>0.93&&g>0.93&&b>0.93' \
            -format '%[fx:int(10000*mean)]' info: 2>/dev/null)" -lt 20 ]
    }
    until_true 'shot play; ! white' 100
    until_true 'shot play; white' 200 || note "NOGO"
    # The view: the middle half of the client area; in full screen the same angles
    # (the mode's aspect ratio may differ from the window's).
    view="320x240+$((cx + 160))+$((cy + 120))"
    shot a0; sleep 0.5; shot a1
    note "STILL $(difference a0 "$view" a1 "$view")"
    n=1
    for keys in F1 alt+Return; do
        xdotool key $keys
        until_true '[ "$(size $win | tr " " x)" = "$screen" ]' 100 || note "NOFULL$n"
        drawing "$full"
        shot full$n
        set -- $(xdotool getdisplaygeometry); sw=$1; sh=$2
        fw=$((sh / 2 * 4 / 3)); fh=$((sh / 2))
        note "FULLVIEW$n $(difference a0 "$view" full$n "${fw}x${fh}+$(((sw - fw) / 2))+$(((sh - fh) / 2))")"
        xdotool key $keys
        until_true '[ "$(size $win)" = "640 500" ] && [ "$(extents $win)" != "0 0 0 0" -o "'"$wm"'" = bare ]' 100 ||
            note "NOWINDOW$n"
        drawing "$view"
        shot back$n
        note "FRAME$n $(extents "$win")"
        note "BACKVIEW$n $(difference a0 "$view" back$n "$view")"
        n=$((n + 1))
    done
    escape_out
fi

# F2 -> Apply, then F2 -> Cancel (Escape); from full screen each starts in full screen.
for answer in Return Escape; do
    if [ "$scenario" = f2full ] && [ "$(size "$win" | tr ' ' x)" != "$screen" ]; then
        xdotool key F1
        until_true '[ "$(size $win | tr " " x)" = "$screen" ]' 100 || note "NOFULL$answer"
        drawing "$full"
    fi
    shot before$answer
    if [ "$scenario" = f2full ]; then from="$full"; else set -- $(origin "$win"); from="640x480+$1+$(($2 + 20))"; fi
    xdotool key F2
    d=$(window '^Game Settings$' 100) || { note "NOF2DIALOG"; break; }
    until_true '[ "$(size $win)" = "640 500" ]' 100
    # The client area left of the dialog: the picture from before, scaled to the
    # window, not a corner of it (waited for, as the window repaints).
    set -- $(origin "$win"); cx=$1; cy=$(($2 + 20))
    set -- $(origin "$d"); left=$(($1 - cx - 4)); [ $left -lt 4 ] && left=4
    part=$(echo "$from" | { IFS='x+' read -r w h x y; echo "$((w * left / 640))x${h}+$x+$y"; })
    until_true 'shot during$answer; seen=$(coarse_difference during$answer "${left}x480+$cx+$cy" before$answer "$part"); [ "$seen" -lt 100 ]' 50
    note "DURING$answer $seen"
    timeout 5 xdotool windowfocus --sync "$d" 2>/dev/null
    xdotool key $answer
    gone '^Game Settings$' 100 && note "CLOSED$answer"
    until_true '[ "$(size $win)" = "640 500" ]' 50
    set -- $(origin "$win")
    drawing "640x480+$1+$(($2 + 20))" && note "DRAWING$answer $(size "$win")"
    note "FRAME$answer $(extents "$win")"
done
escape_out
