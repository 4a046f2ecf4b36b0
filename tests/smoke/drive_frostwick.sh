#!/bin/sh
# Runs under xvfb-run (screen 1024x768): starts the program from its run folder and
# drives it as a person would, with the real X pointer and real keys.
# $1: the run folder, $2: the file this script reports into, $3: "window" (the
# dialog's desktop window) or "full" (the dialog's default, full screen).
# Each line of the report names one thing seen; the test reads them.
here=$(cd "$(dirname "$0")" && pwd)
run="$1"; out="$2"; mode="${3:-window}"
note() { echo "$*" >> "$out"; }
: > "$out"
xdotool getdisplaygeometry > /dev/null 2>&1 && command -v xwininfo > /dev/null 2>&1 || { note "NOX"; exit 0; }
note "XSTARTED"
command -v import > /dev/null 2>&1 && command -v convert > /dev/null 2>&1 && pictures=1 || note "NOPICTURES"
unset SDL_VIDEODRIVER
cd "$run" || { note "NORUNDIR"; exit 0; }
rm -f DebugOutput.Dbg
shots=$(mktemp -d)
./frostwick > "$out.program" 2>&1 &
pid=$!

. "$here/../common/xwindows.sh"
# Answers any message box (a window that is neither the program's window nor
# its dialog) with Return, as a person would, and notes its caption.
answer_boxes() {
    xwininfo -root -children 2>/dev/null | sed -n 's/^ *\(0x[0-9a-f]*\) "\(.*\)":.*/\1 \2/p' |
    while read -r b name; do
        case "$name" in
            QUIL-ENGINE|"Game Settings"|"") ;;
            *)
                note "BOX $name"
                xdotool windowfocus "$b" 2>/dev/null
                sleep 0.2
                xdotool key Return
                # Answered once: a second Return would reach the game.
                k=0; while xwininfo -id "$b" > /dev/null 2>&1 && [ $k -lt 30 ]; do k=$((k + 1)); sleep 0.1; done ;;
        esac
    done
}
finish() {
    i=0
    while kill -0 $pid 2>/dev/null; do
        i=$((i + 1))
        [ $i -gt 300 ] && { note "STILLRUNNING"; kill $pid; wait $pid; note "STATUS killed"; break; }
        sleep 0.1
    done
    [ $i -le 300 ] && { wait $pid; note "STATUS $?"; }
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
size() { xdotool getwindowgeometry --shell "$1" | sed -n 's/^WIDTH=//p;s/^HEIGHT=//p' | paste -sd ' ' -; }
# Moves the pointer right by $1 pixels, two at a time, as a hand would.
sweep() { n=$(($1 / 2)); while [ $n -gt 0 ]; do xdotool mousemove_relative -- 2 0; n=$((n - 1)); done; }
# Waits for the engine and the game; a box (no sound device, for one) is answered.
engine_up() {
    i=0
    while [ $i -lt 150 ]; do
        answer_boxes
        kill -0 $pid 2>/dev/null || break
        grep -q 'Initialising Game' DebugOutput.Dbg 2>/dev/null && break
        i=$((i + 1)); sleep 0.2
    done
    grep -q 'Initialising Velmarune GameEngine' DebugOutput.Dbg 2>/dev/null && note "ENGINEUP"
    sleep 1
    answer_boxes
    xdotool windowfocus "$win" 2>/dev/null  # a closed box leaves the keyboard to nobody
    sleep 0.3
}
# Full screen: the window covers the screen and its frames are not black.
full_screen_seen() {
    sleep 1.5
    note "$1 $(size "$win")"
    shot "$1" && note "$1FRAME $(brightness "$1" 1024x768+0+0)"
}

dlg=$(window '^Game Settings$' 300) || { note "NODIALOG"; finish; }
note "DIALOG $(size "$dlg")"
# Until the dialog is drawn (a sanitized build starts slowly).
eval "$(xdotool getwindowgeometry --shell "$dlg")"
i=0
while [ -n "$pictures" ] && [ $i -lt 50 ]; do
    sleep 0.2; i=$((i + 1))
    shot dialog && [ "$(brightness dialog 20x20+$((X + 130))+$((Y + 360)))" -gt 300 ] && break
done
sleep 0.5
# Blank strips where texts must end at the template's layout (pixels of 6 x 13
# base units): between "Adapter" and its combo, before the mode combo (the colon
# of "Fullscreen Mode:"), and before the two combos' arrows.
eval "$(xdotool getwindowgeometry --shell "$dlg")"
shot dialog && note "DIALOGGAPS $(darkest dialog 3x13+$((X + 57))+$((Y + 197))) $(darkest dialog 4x13+$((X + 139))+$((Y + 284))) \
$(darkest dialog 6x13+$((X + 245))+$((Y + 197))) $(darkest dialog 6x13+$((X + 246))+$((Y + 284)))"
if [ "$mode" = full ]; then
    # The dialog's default: full screen. The pointer rests over the screen's middle.
    xdotool mousemove 300 300
    xdotool key Return
    gone '^Game Settings$' 50 && note "APPLIED"
    win=$(window '^QUIL-ENGINE$' 300) || { note "NOWINDOW"; finish; }
    engine_up
    full_screen_seen FULL
    xdotool mousemove 500 400
    sleep 0.5
    note "FULLPOINTER $(pointer)"
    for keys in F1 alt+Return; do
        xdotool key $keys
        sleep 1.5
        note "WINDOWED $(size "$win")"
        xdotool mousemove 300 300
        xdotool key $keys
        full_screen_seen BACK
    done
    # The title menu's Escape quits, from a tap.
    xdotool key Escape
    finish
fi

# Click "Use desktop &window" (dialog units 10, 190, 80 x 10), then Return for Apply.
xdotool mousemove --window "$dlg" 40 317
sleep 0.2
xdotool click 1
sleep 0.3
xdotool key Return
gone '^Game Settings$' 50 && note "APPLIED"

# The main window with its menu bar (the strip above the 640 x 480 client area).
win=$(window '^QUIL-ENGINE$' 300) || { note "NOWINDOW"; finish; }
note "WINDOW $(size "$win")"
engine_up
eval "$(xdotool getwindowgeometry --shell "$win")"
cx=$X; cy=$((Y + HEIGHT - 480))  # the client area's top-left corner

# The pointer stays where it is put.
xdotool mousemove $((cx + 100)) $((cy + 120))
sleep 0.5
xdotool mousemove_relative -- 40 25
sleep 0.5
note "POINTER $(pointer) $((cx + 140)) $((cy + 145))"

# A key tap of a few milliseconds moves the menu's selection from "START GAME"
# (red) to "OPTIONS".
xdotool windowfocus "$win" 2>/dev/null
sleep 0.3
start="130x22+$((cx + 100))+$((cy + 196))"; options="130x22+$((cx + 100))+$((cy + 226))"
shot tap0
xdotool key --delay 5 Down
sleep 0.5
shot tap1 && note "TAP $(redness tap0 "$start") $(redness tap0 "$options") $(redness tap1 "$start") $(redness tap1 "$options")"
xdotool key --delay 5 Up

# A click on "Game" opens the menu (light rows over the dark banner); Escape closes it.
bar="100x50+$((cx + 30))+$((cy + 10))"
shot bar0
xdotool mousemove $((cx + 20)) $((cy - 10)) click 1
sleep 0.7
shot bar1 && note "MENUBAR $(brightness bar0 "$bar") $(brightness bar1 "$bar")"
xdotool key Escape
sleep 0.5

# F2 opens the dialog again; Escape closes it.
xdotool mousemove $((cx + 320)) $((cy + 280))
xdotool windowfocus "$win" 2>/dev/null
sleep 0.3
xdotool key F2
if dlg=$(window '^Game Settings$' 50); then
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

# Play (START GAME, then EASY), then mouse look: at the medium sensitivity of 0.01
# radians a pixel, 314 pixels turn the view half round and 628 a full turn, back
# to the first picture.
xdotool windowfocus "$win" 2>/dev/null
xdotool key --delay 5 Return
sleep 0.5
xdotool key --delay 5 Return
sleep 6
xdotool mousemove $((cx + 6)) $((cy + 240))
sleep 0.5
scene="640x330+$cx+$((cy + 60))"
shot turn0
sweep 314
sleep 0.3
shot turn1
sweep 314
sleep 0.3
shot turn2 && note "TURN $(difference turn0 turn1 "$scene") $(difference turn0 turn2 "$scene")"
note "TURNPOINTER $(pointer) $((cx + 634)) $((cy + 240))"
# Pushed on past the window's right edge, the captured pointer comes back in
# three pixels inside the left edge (of the window with its frame) and goes on.
sweep 60
sleep 0.3
note "EDGE $(pointer) $cx"

# The editor (F5): a click on the third icon (walls) tints it in place of the first.
xdotool key --delay 5 F5
sleep 2
icon0="24x24+$((cx + 588))+$((cy + 28))"; icon2="24x24+$((cx + 588))+$((cy + 98))"
shot icons0
xdotool mousemove $((cx + 615)) $((cy + 125)) click 1
sleep 0.7
shot icons1 && note "ICONS $(redness icons0 "$icon0") $(redness icons0 "$icon2") $(redness icons1 "$icon0") $(redness icons1 "$icon2")"
xdotool key --delay 5 F5
sleep 0.5

# The menu bar from the keyboard: F10 opens "Game", then the mnemonic of "E&xit".
xdotool key F10
sleep 0.5
xdotool key x
i=0
while kill -0 $pid 2>/dev/null && [ $i -lt 30 ]; do i=$((i + 1)); sleep 0.1; done
if kill -0 $pid 2>/dev/null; then note "NOMENUEXIT"; kill $pid; else note "MENUEXIT"; fi
finish
