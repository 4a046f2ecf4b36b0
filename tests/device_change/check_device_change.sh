#!/bin/sh
# CTest entry: runs the driver under its own Xvfb and reads its report. Exit 77
# (skipped) where Xvfb or xdotool cannot start.
run="$1"; here=$(dirname "$0")
command -v xvfb-run > /dev/null && command -v xdotool > /dev/null && command -v xwininfo > /dev/null || exit 77
# Each run on a bare X server and under openbox (skipped where openbox is missing).
fail=0
for wm in bare openbox; do
    report=$(mktemp /tmp/quil_devchange_report_XXXXXX)
    # A display number taken by another run between xvfb-run's choice and the server's
    # start leaves no report: try again once.
    for attempt in 1 2; do
        xvfb-run -a -s "-screen 0 1280x1024x24" "$here/drive_device_change.sh" "$run" "$report" "" "$wm"
        [ -s "$report" ] && break
        sleep 1
    done
    echo "== $wm"; cat "$report"
    grep -q '^NOX' "$report" && exit 77
    if grep -q '^NOWM' "$report"; then echo "$wm: not started, skipped"; rm -f "$report" "$report".*; continue; fi
    for want in "RUNNING menu" "RUNNING play" "PLAYING" "RUNNING editor" "GAMEINITS 1" "LEVELLOADS 0" "STATUS 0"; do
        grep -qx "$want" "$report" || { echo "$wm: missing: $want"; fail=1; }
    done
    # The only box a run may show is the one about a missing sound device.
    if grep '^BOX' "$report" | grep -qv 'QEV Demo'; then echo "$wm: an error box was shown"; fail=1; fi
    rm -f "$report" "$report".*
done
exit $fail
