# Window waits shared by the scripts that drive the real program under Xvfb.
# Sourced; $pid is the program's process.

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
# Starts openbox on the display when $1 is "openbox" (a bare X server otherwise)
# and waits (up to 5 s) until it manages the screen; $wm_pid is its process.
# Fails when it was asked for and did not come up.
start_wm() {
    wm_pid=""
    [ "$1" = openbox ] || return 0
    command -v openbox > /dev/null 2>&1 || return 1
    openbox --sm-disable > /dev/null 2>&1 &
    wm_pid=$!
    i=0
    while [ $i -lt 50 ]; do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && return 0
        kill -0 $wm_pid 2>/dev/null || return 1
        i=$((i + 1)); sleep 0.1
    done
    return 1
}
stop_wm() { [ -n "$wm_pid" ] && kill $wm_pid 2>/dev/null; wm_pid=""; }
# Runs "$@" every tenth of a second until it succeeds, for up to $1 tenths of a
# second by the clock (however long each try takes); fails when the time runs
# out or the program ($pid) has ended.
tenths() { echo $(($(date +%s%N) / 100000000)); }
until_ok() {
    u_end=$(($(tenths) + $1)); shift
    while :; do
        "$@" && return 0
        kill -0 $pid 2>/dev/null || return 1
        [ "$(tenths)" -lt $u_end ] || return 1
        sleep 0.1
    done
}
# Runs $2 (a key press) and waits up to $1 tenths for "$3 ..." to hold, up to ten
# times: the game takes no key until a moment after the last, so a press may go unheard.
press_until() {
    p_wait=$1; p_press=$2; shift 2
    p_k=0
    while [ $p_k -lt 10 ]; do
        $p_press
        until_ok "$p_wait" "$@" && return 0
        p_k=$((p_k + 1))
    done
    return 1
}
# "X Y WIDTH HEIGHT" of a window's inside on the screen (xwininfo's absolute place,
# which stays right under a window manager's frame).
placement() {
    xwininfo -id "$1" 2>/dev/null |
        awk '/Absolute upper-left X/{x=$NF} /Absolute upper-left Y/{y=$NF} /^ *Width:/{w=$NF} /^ *Height:/{h=$NF}
             END{print x, y, w, h}'
}
has_focus() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ]; }
# Gives window $1 the keyboard and waits (up to 3 s) until it has it.
focus() { xdotool windowfocus "$1" 2>/dev/null; until_ok 30 has_focus "$1"; }
# Waits (up to $1 tenths) for the program's end; its exit status goes to $status.
ended() {
    e_i=0
    while kill -0 $pid 2>/dev/null; do
        [ $e_i -ge "$1" ] && return 1
        e_i=$((e_i + 1)); sleep 0.1
    done
    wait $pid; status=$?
    return 0
}
# Answers any message box (a shown window that is neither the program's window
# nor its dialog nor the window manager's) with Return, as a person would, and
# notes its caption (the caller's note).
answer_boxes() {
    # The whole tree: under a window manager the boxes sit inside its frames.
    xwininfo -root -tree 2>/dev/null | sed -n 's/^ *\(0x[0-9a-f]*\) "\(.*\)":.*/\1 \2/p' |
    while read -r b name; do
        case "$name" in
            QUIL-ENGINE|"Game Settings"|""|Openbox) ;;
            *)
                note "BOX $name"
                focus "$b"
                xdotool key Return
                # Answered once: a second Return would reach the game.
                k=0; while xwininfo -id "$b" > /dev/null 2>&1 && [ $k -lt 30 ]; do k=$((k + 1)); sleep 0.1; done ;;
        esac
    done
}
# From the title menu into play: Return until the difficulty menu (its yellow
# "BACK TO MAIN MENU" row) shows, Return on EASY until it goes, then the level's
# "get ready" and play. Uses the driver's colour (of a screen region, "red green
# all" in 1/1000), key, cx and cy (the client area's corner) and lines (the
# region where play shows). False when play did not show.
start_easy_game() {
    press_until 20 easy_enter easy_menu_shown || note "NODIFFICULTYMENU"
    press_until 10 easy_enter easy_menu_gone
    until_ok 600 easy_get_ready || note "NOGETREADY"
    until_ok 100 easy_playing
}
easy_menu_shown() { colour "300x22+$((cx + 100))+$((cy + 302))" | { read -r r g a; [ $(((r < g ? r : g) - (3 * a - r - g))) -gt 120 ]; }; }
easy_menu_gone() { ! easy_menu_shown; }
easy_get_ready() { colour "$lines" | { read -r r g a; [ $((r - g)) -lt -50 ]; }; }
easy_playing() { colour "$lines" | { read -r r g a; [ $((r - g)) -gt 100 ]; }; }
easy_enter() { key Return; }
