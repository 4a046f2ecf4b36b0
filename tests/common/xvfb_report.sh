# Shared by the CTest entries that run a driver script under Xvfb and read its
# report (one line a thing seen). Sourced.

# Runs driver $1 under an X server of its own (1280x1024) with the remaining
# arguments, the second of which is the report file. A display number taken by
# another run between xvfb-run's choice and the server's start leaves no
# report: the run is tried once more.
drive_under_xvfb() {
    driver="$1"; shift
    for attempt in 1 2; do
        xvfb-run -a -s "-screen 0 1280x1024x24" "$driver" "$@"
        [ -s "$2" ] && return 0
        sleep 1
    done
    return 1
}

# Sets fail=1 and says so for each of the lines after $1 (the report, $2 the
# run's name) that the report does not hold exactly.
expect_lines() {
    file="$1"; name="$2"; shift 2
    for want in "$@"; do
        grep -qx "$want" "$file" || { echo "$name: missing: $want"; fail=1; }
    done
}
