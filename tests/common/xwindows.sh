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
