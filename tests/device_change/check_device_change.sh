#!/bin/sh
# CTest entry: runs the driver under its own Xvfb and reads its report. Exit 77
# (skipped) where Xvfb or xdotool cannot start. $1: the run folder, unless
# QUIL_PROGRAM_RUN_DIR names another.
run="${QUIL_PROGRAM_RUN_DIR:-$1}"; here=$(dirname "$0")
. "$here/../common/xvfb_report.sh"
command -v xvfb-run > /dev/null && command -v xdotool > /dev/null && command -v xwininfo > /dev/null || exit 77
# Each run on a bare X server and under openbox (skipped where openbox is missing).
fail=0
for wm in bare openbox; do
    report=$(mktemp /tmp/quil_devchange_report_XXXXXX)
    drive_under_xvfb "$here/drive_device_change.sh" "$run" "$report" "" "$wm"
    echo "== $wm"; cat "$report"
    grep -q '^NOX' "$report" && exit 77
    if grep -q '^NOWM' "$report"; then echo "$wm: not started, skipped"; rm -f "$report" "$report".*; continue; fi
    expect_lines "$report" "$wm" "RUNNING menu" "RUNNING play" "PLAYING" "RUNNING editor" "GAMEINITS 1" \
        "LEVELLOADS 0" "STATUS 0"
    # The only box a run may show is the one about a missing sound device.
    if grep '^BOX' "$report" | grep -qv 'QEV Demo'; then echo "$wm: an error box was shown"; fail=1; fi
    rm -f "$report" "$report".*
done
exit $fail
