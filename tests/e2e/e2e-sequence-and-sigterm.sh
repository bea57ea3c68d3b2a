#!/usr/bin/env bash
# Left alone, the splashes follow each other 1.5 s apart and the sequence
# ends; SIGTERM then ends the program cleanly, which saves "options.xml":
# the volumes read at start-up, the window's size, and no element that was
# not in the file.
. "$(dirname "$0")/e2e-lib.sh"
e2e_start "$1" "$(cat "$(dirname "$0")/options-windowed.xml")"
e2e_wait '^\[SplashScreens\] splash 0$'
e2e_wait '^\[SplashScreens\] splash 1$'
e2e_wait '^\[SplashScreens\] end of the splash screens$'
rm "$SAVE_DIR/options.xml"
e2e_stop || e2e_fail "exit status $?"
saved=$SAVE_DIR/options.xml
[ -f "$saved" ] || e2e_fail "no options.xml after SIGTERM"
grep -q '<DebugResolution x="800" y="600" maximized="0" />' "$saved" || e2e_fail "window size not saved: $(cat "$saved")"
grep -q '<MusicVolume value="0.250000" />' "$saved" || e2e_fail "music volume not kept: $(cat "$saved")"
grep -q 'DebugLanguage' "$saved" && e2e_fail "an element that was not read was written"
exit 0
