#!/usr/bin/env bash
# With no sound device at all the game still starts and ends cleanly.
export ALSOFT_DRIVERS=no-such-driver
. "$(dirname "$0")/e2e-lib.sh"
e2e_start "$1" "$(cat "$(dirname "$0")/options-windowed.xml")"
e2e_wait '^\[SplashScreens\] splash 0$'
e2e_stop || e2e_fail "exit status $?"
