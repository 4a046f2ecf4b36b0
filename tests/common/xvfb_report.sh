# Shared by the CTest entries that run a driver script under Xvfb and read its
# report (one line a thing seen). Sourced.

# Runs driver $1 under an X server of its own (1280x1024) with the remaining
# arguments, the second of which is the report file (the program's output
# beside it, .program). A run whose server did not come up (no report, or a
# program that could not open the display) is tried once more.
drive_under_xvfb() {
    driver="$1"; shift
    for attempt in 1 2; do
        # The search for a free display starts at a number of this run's own, so
        # that it seldom meets the server of the test before while that one goes.
        xvfb-run -a -n $((100 + ($$ * 7 + attempt * 101) % 800)) -s "-screen 0 1280x1024x24" "$driver" "$@"
        [ -s "$2" ] && ! grep -qs "cannot open display" "$2.program" && return 0
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
