#!/bin/sh
# Runs under Xvfb (1280x1024): starts the program from a copy of its run folder in
# its desktop window, starts play, then, with the pointer put near each corner of
# the screen by moving it in full screen (so that the view turns with it), switches
# to the window and back with F1 or Alt+Enter and the mouse left still. The view
# must come back the same picture each time.
# $1: the run folder, $2: the report file (one finding a line), $3: a folder for
# the pictures (optional), $4: "bare" (no window manager, the default) or "openbox".
# Lines: "FULLVIEW <corner> <key> c d" compares full screen before and after a
# trip to the window, "WINVIEW c d" the window before and after a trip to full
# screen, "STILL c d" two pictures with nothing done between them,
# "LOOK c d" the view before and after the pointer moves once more: c tiles of 128
# changed, d the root-mean-square difference in 1/1000.
here=$(cd "$(dirname "$0")" && pwd)
run="$1"; out="$2"; keep="${3:-}"; wm="${4:-bare}"
note() { echo "$*" >> "$out"; }
: > "$out"
xdotool getdisplaygeometry > /dev/null 2>&1 || { note "NOX"; exit 0; }
command -v import > /dev/null 2>&1 && command -v convert > /dev/null 2>&1 || { note "NOPICTURES"; exit 0; }
unset SDL_VIDEODRIVER
work=$(mktemp -d /tmp/quil_modeswitch_XXXXXX)
cp -r "$run"/. "$work"/ 2>/dev/null
[ -x "$work/frostwick" ] && cd "$work" || { note "NORUNDIR"; exit 0; }
rm -f DebugOutput.Dbg frostwick.dat
. "$here/../common/xwindows.sh"
start_wm "$wm" || { note "NOWM"; exit 0; }
set -- $(xdotool getdisplaygeometry); screen_w=$1; screen_h=$2
shots=$(mktemp -d)
"$work/frostwick" > "$out.program" 2>&1 &
pid=$!
status=""

finish() {
    if [ -n "$status" ] || ended 100; then note "STATUS $status"; else note "STILLRUNNING"; kill $pid; wait $pid; note "STATUS killed"; fi
    stop_wm
    [ -n "$keep" ] && cp "$shots"/*.png "$keep"/ 2>/dev/null
    rm -rf "$shots"
    cd / && rm -rf "$work"
    exit 0
}
shot() { import -window root "$shots/$1.png" 2>/dev/null; }
region() {
    convert "$shots/$1.png" -crop "$2" +repage \
        -format '%[fx:int(1000*mean.r)] %[fx:int(1000*mean.g)] %[fx:int(1000*mean)]' info: 2>/dev/null
}
difference() {
    convert "$shots/$1.png" "$shots/$2.png" -crop "$3" +repage -compose difference -composite -colorspace gray \
        -format '%[fx:int(1000*sqrt(mean*mean+standard_deviation*standard_deviation))]' info: 2>/dev/null
}
pointer() { xdotool getmouselocation | sed 's/x:\([0-9-]*\) y:\([0-9-]*\).*/\1 \2/'; }
# Watches the pointer for half a second: true while it stays at "$1 $2".
stays() {
    s_i=0
    while [ $s_i -lt 5 ]; do
        [ "$(pointer)" = "$1 $2" ] || return 1
        s_i=$((s_i + 1)); sleep 0.1
    done
}
# A key (or keys, "alt+Return") held for 0.15 s, as a hand does, once the game has the keyboard.
key() { focus "$win"; xdotool keydown "$1"; sleep 0.15; xdotool keyup "$1"; }
size() { placement "$win" | { read -r x y w h; echo "$w $h"; }; }
is_screen() { [ "$(size)" = "$screen_w $screen_h" ]; }
steady() { p=$(placement "$win"); sleep 0.2; [ "$p" = "$(placement "$win")" ]; }
in_window() { ! is_screen && steady; }
# Sets the scene's region: the left part of the game's picture between the HUD's
# top and bottom rows, clear of the scanner; in the window the lower 640x480 of
# the client area, in full screen the display.
locate() {
    set -- $(placement "$win"); cx=$1; cy=$(($2 + $4 - ($4 > 480 ? 480 : $4)))
    if is_screen; then scene="$((screen_w * 7 / 10))x$((screen_h * 8 / 15))+0+$((screen_h / 8))"
    else scene="448x256+$cx+$((cy + 60))"; fi
    lines="260x12+$((cx + 190))+$((cy + 250))"
}
# "changed rms" of pictures $1 and $2 within region $3: how many of its 16x8
# tiles differ at all (the same view draws the same pixels: walkers change a few
# tiles, a turn of the view nearly all), and the root-mean-square difference of
# the whole, in 1/1000. A picture missing counts as all changed.
compare() {
    [ -s "$shots/$1.png" ] && [ -s "$shots/$2.png" ] || { echo "128 1000"; return; }
    c_t=$(convert "$shots/$1.png" "$shots/$2.png" -crop "$3" +repage -compose difference -composite \
        -colorspace gray -evaluate pow 2 -scale '16x8!' -evaluate pow 0.5 -depth 8 txt:- 2>/dev/null |
        sed -n 's/.*gray(\([0-9]*\)).*/\1/p' | awk '$1 > 1 { n++ } END { print n + 0 }')
    echo "$c_t $(difference "$1" "$2" "$3")"
}
# A frame of the game: neither black nor the white of a window not yet drawn.
framed() {
    shot frame && b=$(region frame "$scene" | { read -r r g a; echo "$a"; }) && [ "$b" -gt 30 ] && [ "$b" -lt 800 ]
}
# Shoots picture $1 once two pictures in a row show the scene still (walkers
# aside); after a few tries the last picture stands.
settle() {
    shot calm; s_k=0
    while [ $s_k -lt 8 ]; do
        shot "$1" && [ "$(compare calm "$1" "$scene" | cut -d' ' -f1)" -le 16 ] && return 0
        mv "$shots/$1.png" "$shots/calm.png"; s_k=$((s_k + 1))
    done
    cp "$shots/calm.png" "$shots/$1.png"
    return 1
}
# The mode switch by key $1 to full screen ($2 = full) or to the window, then a
# frame drawn at the new size.
switch() {
    key "$1"
    if [ "$2" = full ]; then until_ok 300 is_screen || note "NOTFULL $1"
    else until_ok 300 in_window || note "NOTWINDOW $1"; fi
    locate
    until_ok 300 framed || note "NOTDRAWN $1 $2"
}
# Moves the pointer by $1 $2 in steps of four pixels, as a hand would.
walk() {
    w_x=$1; w_y=$2
    while [ $w_x -ne 0 ] || [ $w_y -ne 0 ]; do
        w_dx=$w_x; w_dy=$w_y
        [ $w_dx -gt 4 ] && w_dx=4; [ $w_dx -lt -4 ] && w_dx=-4
        [ $w_dy -gt 4 ] && w_dy=4; [ $w_dy -lt -4 ] && w_dy=-4
        xdotool mousemove_relative -- $w_dx $w_dy
        w_x=$((w_x - w_dx)); w_y=$((w_y - w_dy))
    done
}

dlg=$(window '^Game Settings$' 300) || { note "NODIALOG"; finish; }
# Once the dialog is drawn (a sanitized build starts slowly), "Use desktop window", then Apply.
set -- $(placement "$dlg")
drawn() { shot dialog && [ "$(region dialog "20x20+$(($1 + 130))+$(($2 + 360))" | cut -d' ' -f3)" -gt 300 ]; }
until_ok 300 drawn "$@" || note "NODIALOGDRAWN"
focus "$dlg"
xdotool mousemove --window "$dlg" 40 317 click 1
xdotool key Return
win=$(window '^QUIL-ENGINE$' 300) || { note "NOWINDOW"; finish; }
until_ok 300 in_window || note "NOTWINDOW start"
i=0
while [ $i -lt 300 ] && ! grep -q 'Initialising Game' DebugOutput.Dbg 2>/dev/null; do answer_boxes; i=$((i + 1)); sleep 0.2; done
answer_boxes
focus "$win"
until_ok 50 steady
locate
xdotool mousemove $((cx + 320)) $((cy + 240))
# START GAME, then EASY, then play.
colour() { shot now && region now "$1"; }
start_easy_game && note "PLAYING"

settle still0
settle still1
note "STILL $(compare still0 still1 "$scene")"
# Near each corner with F1, near two of them with Alt+Enter too: in full screen
# the pointer is put 20 pixels from its place and moved there (so that the game's
# mouse look follows it), then the game goes to the window and back. At the end
# the window goes to full screen and back, the pointer left where it was.
n=0
switch F1 full
for trip in topleft:F1 topright:F1 bottomright:F1 bottomleft:F1 topright:alt+Return bottomleft:alt+Return; do
    corner=${trip%%:*}; keys=${trip#*:}; n=$((n + 1))
    case $corner in
        topleft) px=24; py=24; sx=-1; sy=-1;; topright) px=$((screen_w - 24)); py=24; sx=1; sy=-1;;
        bottomright) px=$((screen_w - 24)); py=$((screen_h - 24)); sx=1; sy=1;;
        bottomleft) px=24; py=$((screen_h - 24)); sx=-1; sy=1;;
    esac
    # From nearer the middle with F1, from nearer the edges with Alt+Enter.
    [ "$keys" = F1 ] && d=20 || d=-16
    xdotool mousemove $((px - sx * d)) $((py - sy * d))
    walk $((sx * d)) $((sy * d))
    stays $px $py || note "MOVED $corner"
    settle full0-$n
    switch $keys window
    settle win-$n
    note "WINPOINTER $corner $(pointer)"
    switch $keys full
    settle full1-$n
    note "FULLVIEW $corner $keys $(compare full0-$n full1-$n "$scene")"
done
switch F1 window
settle win0
switch F1 full
switch F1 window
settle win1
note "WINVIEW $(compare win0 win1 "$scene")"
# The mouse still looks: a move of 40 pixels turns the view.
settle look0
walk 40 0
settle look1
note "LOOK $(compare look0 look1 "$scene")"
# Escape ends the game, Escape in the menu quits.
key Escape
k=0
while [ $k -lt 10 ] && kill -0 $pid 2>/dev/null; do key Escape; ended 10 && break; k=$((k + 1)); done
finish
