#!/bin/sh
# CTest entry: runs the driver under its own Xvfb and reads its report. Exit 77
# (skipped) where Xvfb or xdotool cannot start.
run="$1"; here=$(dirname "$0")
command -v xvfb-run > /dev/null && command -v xdotool > /dev/null && command -v xwininfo > /dev/null || exit 77
report=$(mktemp /tmp/quil_devchange_report_XXXXXX)
# A display number taken by another run between xvfb-run's choice and the server's
# start leaves no report: try again once.
for attempt in 1 2; do
    xvfb-run -a -s "-screen 0 1024x768x24" "$here/drive_device_change.sh" "$run" "$report"
    [ -s "$report" ] && break
    sleep 1
done
cat "$report"
grep -q '^NOX' "$report" && exit 77
fail=0
for want in "RUNNING menu" "RUNNING play" "PLAYING" "RUNNING editor" "GAMEINITS 1" "LEVELLOADS 0" "STATUS 0"; do
    grep -qx "$want" "$report" || { echo "missing: $want"; fail=1; }
done
# The only box a run may show is the one about a missing sound device.
if grep '^BOX' "$report" | grep -qv 'QEV Demo'; then echo "an error box was shown"; fail=1; fi
rm -f "$report" "$report".*
exit $fail
