#!/usr/bin/env bash
# Without options the game starts full screen, and its first "options.xml"
# has no window element.
. "$(dirname "$0")/e2e-lib.sh"
e2e_start "$1"
e2e_wait '^\[SplashScreens\] splash 0$'
window=$(e2e_window Tidewater)
e2e_frames 5
e2e_expect_size "$window" 1024x768
e2e_stop || e2e_fail "exit status $?"
grep -q 'Debug' "$SAVE_DIR/options.xml" && e2e_fail "window elements written: $(cat "$SAVE_DIR/options.xml")"
exit 0
