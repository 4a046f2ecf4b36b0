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
