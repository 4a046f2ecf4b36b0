#!/bin/sh
# CTest entry: runs the level-change driver on a bare X server and under
# openbox, each under its own Xvfb, and reads the reports. Exit 77 (skipped)
# where Xvfb or xdotool cannot start. $1: the run folder (unless
# QUIL_PROGRAM_RUN_DIR names another), $2: cycles a run.
run="${QUIL_PROGRAM_RUN_DIR:-$1}"; cycles="${2:-3}"; here=$(dirname "$0")
. "$here/../common/xvfb_report.sh"
command -v xvfb-run > /dev/null && command -v xdotool > /dev/null || exit 77
# Leaks of the system's libraries at exit are not this test's business.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=0}"
fail=0
for wm in bare openbox; do
    report=$(mktemp /tmp/quil_levelstress_report_XXXXXX)
    drive_under_xvfb "$here/drive_level_stress.sh" "$run" "$report" "$wm" "$cycles"
    echo "== $wm"
    cat "$report"
    grep -q '^NOX' "$report" && { rm -f "$report" "$report".*; exit 77; }
    if grep -q '^NOWM' "$report"; then
        echo "openbox did not start"; fail=1
    else
        expect_lines "$report" "$wm" ENGINEUP BOX "STATUS 0" "RASTERTHREADS 0"
        if grep '^RASTERTHREADS' "$report" | grep -qvx 'RASTERTHREADS 0'; then
            echo "the software renderer ran rasterizer threads"; fail=1
        fi
        for c in $(seq 1 "$cycles"); do
            expect_lines "$report" "$wm" "SAVED $c" "NEXT $c" "PREVIOUS $c"
        done
    fi
    # A sanitizer's report, or any other complaint of the program, fails the run.
    if grep -q 'Sanitizer\|runtime error\|malloc()\|free()' "$report.program" 2>/dev/null; then
        cat "$report.program"; fail=1
    fi
    [ $fail = 0 ] || { echo "-- program"; tail -n 40 "$report.program"; echo "-- log"; tail -n 20 "$report.log"; }
    rm -f "$report" "$report".*
done
exit $fail
