#!/usr/bin/env bash
# A click on the first splash ends the sequence before the second one shows.
. "$(dirname "$0")/e2e-lib.sh"
e2e_start "$1" "$(cat "$(dirname "$0")/options-windowed.xml")"
e2e_wait '^\[SplashScreens\] splash 0$'
window=$(e2e_window Tidewater)
# Buttons take no click in the first half second of input (30 frames).
e2e_frames 40
xdotool mousemove --window "$window" 300 200 click 1
e2e_wait '^\[SplashScreens\] end of the splash screens$'
grep -q 'splash 1' "$E2E_LOG" && e2e_fail "the second splash showed before the click was taken"
e2e_stop || e2e_fail "exit status $?"
