#!/bin/sh
# Runs under xvfb-run (screen 1280x1024): starts the program from its run folder and
# drives it as a person would, with the real X pointer and real keys, on a bare X
# server or under a window manager.
# $1: the run folder, $2: the file this script reports into, $3: "window" (the
# dialog's desktop window), "full" (the dialog's default, full screen), "closed" or
# "closedfull" (the window or the full screen destroyed by another program), $4: "bare"
# or "openbox".
# Each line of the report names one thing seen; the test reads them. Every wait
# waits for what it expects (a window, the focus, a picture, the program's end)
# and gives up at a deadline.
here=$(cd "$(dirname "$0")" && pwd)
run="$1"; out="$2"; mode="${3:-window}"; wm="${4:-bare}"
note() { echo "$*" >> "$out"; }
: > "$out"
xdotool getdisplaygeometry > /dev/null 2>&1 && command -v xwininfo > /dev/null 2>&1 || { note "NOX"; exit 0; }
note "XSTARTED"
command -v import > /dev/null 2>&1 && command -v convert > /dev/null 2>&1 && pictures=1 || note "NOPICTURES"
unset SDL_VIDEODRIVER
cd "$run" || { note "NORUNDIR"; exit 0; }
. "$here/../common/xwindows.sh"
start_wm "$wm" || { note "NOWM"; exit 0; }
set -- $(xdotool getdisplaygeometry); screen_w=$1; screen_h=$2
rm -f DebugOutput.Dbg
shots=$(mktemp -d)
./frostwick > "$out.program" 2>&1 &
pid=$!
status=""

finish() {
    if [ -n "$status" ] || ended 300; then note "STATUS $status"; else note "STILLRUNNING"; kill $pid; wait $pid; note "STATUS killed"; fi
    stop_wm
    # SMOKE_SHOTS names a folder to keep the pictures in, to look at.
    [ -n "$SMOKE_SHOTS" ] && cp "$shots"/*.png "$SMOKE_SHOTS"/ 2>/dev/null
    rm -rf "$shots"
    exit 0
}
# The screen into $shots/$1.png.
shot() { [ -n "$pictures" ] && import -window root "$shots/$1.png" 2>/dev/null; }
# "red green all" means of a region (WxH+X+Y, screen pixels) of picture $1, in 1/1000.
region() {
    convert "$shots/$1.png" -crop "$2" +repage \
        -format '%[fx:int(1000*mean.r)] %[fx:int(1000*mean.g)] %[fx:int(1000*mean)]' info: 2>/dev/null
}
# How much redder than green a region is (the menu's and the editor's highlight).
redness() { region "$1" "$2" | { read -r r g a; echo $((r - g)); }; }
brightness() { region "$1" "$2" | { read -r r g a; echo "$a"; }; }
darkest() { convert "$shots/$1.png" -crop "$2" +repage -format '%[fx:int(1000*minima)]' info: 2>/dev/null; }
# Root-mean-square difference of two pictures within a region, in 1/1000.
difference() {
    convert "$shots/$1.png" "$shots/$2.png" -crop "$3" +repage -compose difference -composite -colorspace gray \
        -format '%[fx:int(1000*sqrt(mean*mean+standard_deviation*standard_deviation))]' info: 2>/dev/null
}
pointer() { xdotool getmouselocation | sed 's/x:\([0-9-]*\) y:\([0-9-]*\).*/\1 \2/'; }
size() { placement "$1" | { read -r x y w h; echo "$w $h"; }; }
# Sets cx, cy (the client area's top-left corner: under the menu strip) and cw, ch.
client() {
    set -- $(placement "$win")
    cw=$3; ch=$(($4 > 480 ? 480 : $4)); cx=$1; cy=$(($2 + $4 - ch))
}
# Moves the pointer right by $1 pixels, two at a time, as a hand would.
sweep() { n=$(($1 / 2)); while [ $n -gt 0 ]; do xdotool mousemove_relative -- 2 0; n=$((n - 1)); done; }
# Watches the pointer for half a second: true while it stays at "$1 $2".
stays() {
    s_i=0
    while [ $s_i -lt 5 ]; do
        [ "$(pointer)" = "$1 $2" ] || return 1
        s_i=$((s_i + 1)); sleep 0.1
    done
}
# True once picture $1, shot anew, has region $2 brighter than $3 (1/1000).
brighter() { shot "$1" && [ "$(brightness "$1" "$2")" -gt "$3" ]; }
darker() { shot "$1" && [ "$(brightness "$1" "$2")" -lt "$3" ]; }
redder() { shot "$1" && [ "$(redness "$1" "$2")" -gt "$3" ]; }
# True once picture $1, shot anew, differs from picture $2 in region $3 by more than $4.
changed() { shot "$1" && [ "$(difference "$2" "$1" "$3")" -gt "$4" ]; }
# Waits for the engine and the game; a box (no sound device, for one) is answered;
# then the first picture is drawn and the window has the keyboard.
engine_up() {
    i=0
    while [ $i -lt 300 ]; do
        answer_boxes
        kill -0 $pid 2>/dev/null || break
        grep -q 'Initialising Game' DebugOutput.Dbg 2>/dev/null && break
        i=$((i + 1)); sleep 0.2
    done
    grep -q 'Initialising Velmarune GameEngine' DebugOutput.Dbg 2>/dev/null && note "ENGINEUP"
    answer_boxes
    set -- $(placement "$win")
    [ -z "$pictures" ] || until_ok 100 brighter up "$3x$4+$1+$2" 100 || note "NOTDRAWN"
    focus "$win" || note "NOFOCUS"
    # The game holds the pointer inside its window from now on; one put outside
    # (on the dialog's place) has been pulled to the window's edge, where the
    # game's edge warp takes it across. That settles before the pointer is placed.
    set -- $(placement "$win")
    settled() { xdotool mousemove $(($1 + $3 / 2)) $(($2 + $4 / 2)); stays $(($1 + $3 / 2)) $(($2 + $4 / 2)); }
    until_ok 50 settled "$@" || note "UNSETTLED"
}
is_screen() { [ "$(size "$win")" = "$screen_w $screen_h" ]; }
not_screen() { ! is_screen; }
# Full screen: the window covers the screen and its frames are not black.
full_screen_seen() {
    until_ok 100 is_screen
    note "$1 $(size "$win")"
    [ -z "$pictures" ] && return
    # A frame of the game: neither black nor the white of a window not yet
    # drawn at its new size.
    framed() { shot "$1" && b=$(brightness "$1" "${screen_w}x$screen_h+0+0") && [ "$b" -gt 150 ] && [ "$b" -lt 700 ]; }
    until_ok 50 framed "$1"
    note "$1FRAME $(brightness "$1" "${screen_w}x$screen_h+0+0")"
}
# Pushes the pointer towards one edge ($1: right, left, down or up), a few pixels
# at a time, until it comes back in at the other side; then clicks. Notes "EDGE<side> x y" where it came back and "CLICK<side> x y wx wy
# focus" after the click: the pointer, the window's place and whether the game
# still has the keyboard (a click on a frame would start a move or give it away).
edge() {
    side=$1; shift
    case $side in right) step="4 0";; left) step="-4 0";; down) step="0 4";; up) step="0 -4";; esac
    set -- $(pointer)
    last_x=$1; last_y=$2
    e_n=0; came=""
    while [ $e_n -lt 400 ] && [ -z "$came" ]; do
        xdotool mousemove_relative -- $step
        set -- $(pointer)
        jx=$(($1 - last_x)); jy=$(($2 - last_y))
        [ ${jx#-} -gt 100 ] || [ ${jy#-} -gt 100 ] && came="$1 $2"
        last_x=$1; last_y=$2
        e_n=$((e_n + 1)); sleep 0.02
    done
    note "EDGE$side ${came:-none}"
    xdotool click 1
    stays $(pointer) > /dev/null
    set -- $(placement "$win")
    has_focus "$win" && f=1 || f=0
    note "CLICK$side $(pointer) $1 $2 $f"
}

# Another program destroys the window (no close request, the X window is simply
# gone) while the game draws: the program shuts down as its close box would have it.
destroy_window() {
    xdotool windowclose "$win"
    if ended 100; then note "STATUS $status"; else note "STILLRUNNING"; kill $pid; wait $pid; fi
    stop_wm
    rm -rf "$shots"
    exit 0
}

dlg=$(window '^Game Settings$' 300) || { note "NODIALOG"; finish; }
note "DIALOG $(size "$dlg")"
# Until the dialog is drawn (a sanitized build starts slowly).
set -- $(placement "$dlg"); X=$1; Y=$2
[ -z "$pictures" ] || until_ok 100 brighter dialog "20x20+$((X + 130))+$((Y + 360))" 300
# Blank strips where texts must end at the template's layout (pixels of 6 x 13
# base units): between "Adapter" and its combo, before the mode combo (the colon
# of "Fullscreen Mode:"), and before the two combos' arrows.
shot dialog && note "DIALOGGAPS $(darkest dialog 3x13+$((X + 57))+$((Y + 197))) $(darkest dialog 4x13+$((X + 139))+$((Y + 284))) \
$(darkest dialog 6x13+$((X + 245))+$((Y + 197))) $(darkest dialog 6x13+$((X + 246))+$((Y + 284)))"
focus "$dlg"
if [ "$mode" = full ] || [ "$mode" = closedfull ]; then
    # The dialog's default: full screen. The pointer rests over the screen's middle.
    xdotool mousemove 300 300
    xdotool key Return
    gone '^Game Settings$' 50 && note "APPLIED"
    win=$(window '^QUIL-ENGINE$' 300) || { note "NOWINDOW"; finish; }
    engine_up
    full_screen_seen FULL
    [ "$mode" = closedfull ] && destroy_window
    xdotool mousemove 500 400
    stays 500 400
    note "FULLPOINTER $(pointer)"
    # The captured pointer at each edge of the screen comes back in at the other.
    note "CLIENT 0 0 $screen_w $screen_h"
    note "PLACE $(placement "$win" | cut -d' ' -f1-2)"
    for side in right down left up; do edge $side; done
    for keys in F1 alt+Return; do
        xdotool key $keys
        until_ok 100 not_screen
        note "WINDOWED $(size "$win")"
        xdotool mousemove 300 300
        focus "$win"
        xdotool key $keys
        full_screen_seen BACK
    done
    # The title menu's Escape quits, from a tap.
    xdotool key Escape
    finish
fi

# Click "Use desktop &window" (dialog units 10, 190, 80 x 10), then Return for Apply.
xdotool mousemove --window "$dlg" 40 317 click 1
xdotool key Return
gone '^Game Settings$' 50 && note "APPLIED"

# The main window with its menu bar (the strip above the 640 x 480 client area).
win=$(window '^QUIL-ENGINE$' 300) || { note "NOWINDOW"; finish; }
note "WINDOW $(size "$win")"
engine_up
client

[ "$mode" = closed ] && destroy_window

# The pointer stays where it is put.
xdotool mousemove $((cx + 100)) $((cy + 120))
stays $((cx + 100)) $((cy + 120))
xdotool mousemove_relative -- 40 25
stays $((cx + 140)) $((cy + 145))
note "POINTER $(pointer) $((cx + 140)) $((cy + 145))"

# A key tap of a few milliseconds moves the menu's selection from "START GAME"
# (red) to "OPTIONS"; Up takes it back.
start="130x22+$((cx + 100))+$((cy + 196))"; options="130x22+$((cx + 100))+$((cy + 226))"
shot tap0
xdotool key --delay 5 Down
until_ok 30 redder tap1 "$options" $(($(redness tap0 "$options") + 40))
note "TAP $(redness tap0 "$start") $(redness tap0 "$options") $(redness tap1 "$start") $(redness tap1 "$options")"
xdotool key --delay 5 Up
until_ok 30 redder tap2 "$start" $(($(redness tap0 "$start") - 20))

# A click on "Game" opens the menu (light rows over the dark banner); Escape closes it.
bar="100x50+$((cx + 30))+$((cy + 10))"
shot bar0
dark=$(brightness bar0 "$bar")
xdotool mousemove $((cx + 20)) $((cy - 10)) click 1
until_ok 30 brighter bar1 "$bar" $((dark + 300))
note "MENUBAR $dark $(brightness bar1 "$bar")"
xdotool key Escape
until_ok 30 darker bar2 "$bar" $((dark + 100))

# F2 opens the dialog again; Escape closes it.
xdotool mousemove $((cx + 320)) $((cy + 280))
focus "$win"
xdotool key F2
if dlg=$(window '^Game Settings$' 50); then
    note "F2DIALOG"
    focus "$dlg"
    xdotool key Escape
    gone '^Game Settings$' 50 && note "F2CLOSED"
else
    note "NOF2DIALOG"
fi
focus "$win"

# Play: START GAME, then EASY: the difficulty menu is the one with the yellow
# "BACK TO MAIN MENU" row; the menus take a key only 0.3 s after the last one, so
# Return is pressed again until that menu has come, then until it has gone. Then
# wait for play: the level's teal "get ready" lines (far greener than the loading
# screen's snowy sky there) come and go, leaving the red room.
back="300x22+$((cx + 100))+$((cy + 302))"
yellowness() { region "$1" "$2" | { read -r r g a; echo $(((r < g ? r : g) - (3 * a - r - g))); }; }
difficulty() { shot menu && [ "$(yellowness menu "$back")" -gt 120 ]; }
no_difficulty() { ! difficulty; }
enter() { xdotool key --delay 5 Return; }
press_until 20 enter difficulty || note "NODIFFICULTYMENU"
press_until 10 enter no_difficulty
lines="260x12+$((cx + 190))+$((cy + 250))"
get_ready() { shot play && [ "$(redness play "$lines")" -lt -50 ]; }
playing() { shot play && [ "$(redness play "$lines")" -gt 100 ]; }
until_ok 600 get_ready || note "NOGETREADY"
until_ok 100 playing && note "PLAYING"

# Mouse look: at the medium sensitivity of 0.01 radians a pixel, 314 pixels turn
# the view half round and 628 a full turn, back to the first picture. The pointer
# starts at the height it had (no tilt) and jumps to the left (a jump of more than
# 150 pixels turns nothing).
xdotool mousemove $((cx + 6)) $((cy + 280))
stays $((cx + 6)) $((cy + 280))
scene="640x330+$cx+$((cy + 60))"
# The game takes a frame's move of more than 150 pixels for a warp and drops it,
# so the view is turned 50 pixels at a time, each step once the picture shows
# the one before (a busy machine draws few frames); then the picture settles.
settle() {
    shot calm0; s_k=0
    while [ $s_k -lt 20 ]; do
        shot calm1 && [ "$(difference calm0 calm1 "$scene")" -lt 30 ] && return 0
        mv "$shots/calm1.png" "$shots/calm0.png"; s_k=$((s_k + 1))
    done
    # Walkers about: the last picture stands.
    cp "$shots/calm0.png" "$shots/calm1.png"
    return 1
}
turn_by() {
    t_left=$1
    shot step
    while [ $t_left -gt 0 ]; do
        t_d=$((t_left > 50 ? 50 : t_left)); sweep $t_d; t_left=$((t_left - t_d))
        mv "$shots/step.png" "$shots/before.png"
        until_ok 30 changed step before "$scene" 15
    done
    settle
}
settle
cp "$shots/calm1.png" "$shots/turn0.png"
turn_by 314
cp "$shots/calm1.png" "$shots/turn1.png"
turn_by 314
cp "$shots/calm1.png" "$shots/turn2.png"
half=$(difference turn0 turn1 "$scene")
note "TURN $half $(difference turn0 turn2 "$scene")"
note "TURNPOINTER $(pointer) $((cx + 634)) $((cy + 280))"
# Pushed on past each edge, the captured pointer comes back in at the other side
# of the client area, and a click there goes to the game.
note "CLIENT $cx $cy $((cx + cw)) $((cy + ch))"
note "PLACE $(placement "$win" | cut -d' ' -f1-2)"
for side in right left down up; do edge $side; done
# Held inside the window: sent to the screen's corner, it stays in the window.
xdotool mousemove 1 1
note "GRAB $(pointer)"

# The editor (F5): a click on the third icon (walls) tints it in place of the first.
icon0="24x24+$((cx + 588))+$((cy + 28))"; icon1="24x24+$((cx + 588))+$((cy + 63))"
icon2="24x24+$((cx + 588))+$((cy + 98))"
# Open: the first icon tinted, the second still blue.
editor_open() { shot icons0 && [ "$(redness icons0 "$icon0")" -gt 60 ] && [ "$(redness icons0 "$icon1")" -lt 0 ]; }
xdotool key --delay 5 F5
until_ok 50 editor_open || note "NOEDITOR"
xdotool mousemove $((cx + 615)) $((cy + 125)) click 1
until_ok 30 redder icons1 "$icon2" $(($(redness icons0 "$icon2") + 60))
note "ICONS $(redness icons0 "$icon0") $(redness icons0 "$icon2") $(redness icons1 "$icon0") $(redness icons1 "$icon2")"
xdotool key --delay 5 F5

# The menu bar from the keyboard: F10 opens "Game", then the mnemonic of "E&xit".
xdotool key F10
until_ok 30 brighter bar3 "$bar" $((dark + 300))
xdotool key x
ended 50 && note "MENUEXIT" || note "NOMENUEXIT"
finish
