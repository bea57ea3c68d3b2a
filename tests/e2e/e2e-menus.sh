#!/usr/bin/env bash
# The menus from the splash: the main menu over its video, the options (one
# click on the music's plus button), the credits and back to the options,
# back to the main menu, then "Quit" and "Yes": the program ends by itself
# with status 0 and "options.xml" holds the new music volume. Each screen is
# told by a pixel of its own: the main menu's navy column and the video
# beside it, the options' lit gauge mark, the credits' dawn.
. "$(dirname "$0")/e2e-lib.sh"
e2e_start "$1" "$(cat "$(dirname "$0")/options-windowed.xml")"
e2e_wait '^\[SplashScreens\] splash 0$'
window=$(e2e_window Tidewater)
eval "$(xdotool getwindowgeometry --shell "$window")"
# A pixel of the window (800 x 600) in a screenshot of the whole screen.
at() { e2e_pixel "$1" $((X + $2)) $((Y + $3)); }
# A click is taken within a few frames: then the line is there or never.
seen_twice() {
  e2e_frames 20
  [ "$(grep -c -E -- "$1" "$E2E_LOG")" -eq 2 ] || e2e_fail "$2"
}
e2e_frames 40
xdotool mousemove --window "$window" 400 300 click 1
e2e_wait '^\[MainMenu\] main menu$'
e2e_frames 40

e2e_shot "$E2E_DIR/main.png"
column=$(at "$E2E_DIR/main.png" 60 520)
e2e_near "$column" "15 26 46" 24 || e2e_fail "no main menu column: $column"
gauge=$(at "$E2E_DIR/main.png" 410 240)
e2e_near "$gauge" "242 181 68" 60 && e2e_fail "a gauge mark on the main menu: $gauge"

# "Options": the music at 0.25 lights its third mark.
xdotool mousemove --window "$window" 144 354 click 1
e2e_wait '^\[OptionsMenu\] options$'
e2e_frames 40
e2e_shot "$E2E_DIR/options.png"
gauge=$(at "$E2E_DIR/options.png" 410 240)
e2e_near "$gauge" "242 181 68" 60 || e2e_fail "the options' music gauge does not show: $gauge"
# The music's plus button: 0.25 + 0.1.
xdotool mousemove --window "$window" 632 240 click 1
e2e_frames 40

# "Credits": the first view fades in over its twelfth second.
xdotool mousemove --window "$window" 400 492 click 1
e2e_wait '^\[Credits\] credits$'
e2e_frames 760
e2e_shot "$E2E_DIR/credits.png"
dawn=$(at "$E2E_DIR/credits.png" 760 320)
e2e_near "$dawn" "230 170 80" 70 || e2e_fail "the credits' first view does not show: $dawn"
# A click ends the credits: back to the options.
xdotool mousemove --window "$window" 400 300 click 1
seen_twice '^\[OptionsMenu\] options$' "the credits did not return to the options"
e2e_frames 40
e2e_shot "$E2E_DIR/options2.png"
gauge=$(at "$E2E_DIR/options2.png" 441 240)
e2e_near "$gauge" "242 181 68" 60 || e2e_fail "the music's fourth mark is not lit: $gauge"

# "Back", then "Quit" and "Yes".
xdotool mousemove --window "$window" 600 492 click 1
seen_twice '^\[MainMenu\] main menu$' "the options did not return to the main menu"
e2e_frames 40
e2e_shot "$E2E_DIR/main2.png"
column=$(at "$E2E_DIR/main2.png" 60 520)
e2e_near "$column" "15 26 46" 24 || e2e_fail "no main menu column after the options: $column"
e2e_quit "$window"
saved=$SAVE_DIR/options.xml
grep -q '<MusicVolume value="0.350000" />' "$saved" || e2e_fail "the music volume was not saved: $(cat "$saved")"
grep -q 'ERROR\|Sanitizer\|Lua error\|attempt to' "$E2E_LOG" && e2e_fail "errors on the console"
exit 0
