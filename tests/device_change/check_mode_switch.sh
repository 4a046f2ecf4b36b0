#!/bin/sh
# CTest entry: runs the mode-switch driver under its own Xvfb, on a bare X server
# and under openbox, and reads its report. Exit 77 (skipped) where Xvfb, xdotool
# or ImageMagick cannot run. $1: the run folder, unless QUIL_PROGRAM_RUN_DIR
# names another.
run="${QUIL_PROGRAM_RUN_DIR:-$1}"; here=$(dirname "$0")
. "$here/../common/xvfb_report.sh"
command -v xvfb-run > /dev/null && command -v xdotool > /dev/null && command -v xwininfo > /dev/null || exit 77
fail=0
for wm in bare openbox; do
    report=$(mktemp /tmp/quil_modeswitch_report_XXXXXX)
    drive_under_xvfb "$here/drive_mode_switch.sh" "$run" "$report" "" "$wm"
    echo "== $wm"; cat "$report"
    grep -q '^NOX\|^NOPICTURES' "$report" && exit 77
    if grep -q '^NOWM' "$report"; then echo "$wm: not started, skipped"; rm -f "$report" "$report".*; continue; fi
    expect_lines "$report" "$wm" "PLAYING" "STATUS 0"
    if grep -q '^NO\|^MOVED' "$report"; then echo "$wm: a step did not come about"; fail=1; fi
    # Seven comparisons; the same view leaves all but a quarter of the 128 tiles
    # (walkers) untouched. The last move of the pointer turns the view.
    [ "$(grep -c '^FULLVIEW\|^WINVIEW' "$report")" -eq 7 ] || { echo "$wm: comparisons missing"; fail=1; }
    if grep '^FULLVIEW\|^WINVIEW' "$report" | awk '$(NF - 1) > 32 { bad = 1 } END { exit !bad }'; then
        echo "$wm: the view changed with the mouse still"; fail=1
    fi
    grep '^LOOK' "$report" | awk '$2 > 64 { ok = 1 } END { exit !ok }' || { echo "$wm: the mouse no longer looks"; fail=1; }
    if grep '^BOX' "$report" | grep -qv 'QEV Demo'; then echo "$wm: an error box was shown"; fail=1; fi
    rm -f "$report" "$report".*
done
exit $fail
