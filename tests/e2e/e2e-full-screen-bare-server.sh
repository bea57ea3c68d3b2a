#!/usr/bin/env bash
# Full screen on a bare X server (no window manager, as xvfb-run gives) of
# 1280 x 1024: the window covers the screen and the game lays out for it, a
# click on a main-menu button where it is drawn hits it, and one just beside
# it does not; Alt+Enter leaves full screen for a window, the choice
# survives a restart, and F11 goes back.
. "$(dirname "$0")/e2e-lib.sh"
E2E_SCREEN=1280x1024x24
e2e_start "$1"
e2e_wait '^\[KaHostView\] size 1280x1024 full screen$'
e2e_wait '^\[SplashScreens\] splash 0$'
window=$(e2e_window Tidewater)
e2e_frames 5
eval "$(xdotool getwindowgeometry --shell "$window")"
[ "$X,$Y,$WIDTH,$HEIGHT" = "0,0,1280,1024" ] || e2e_fail "window at $X,$Y, $WIDTH x $HEIGHT: not the screen"
e2e_click 640 512
e2e_wait '^\[MainMenu\] main menu$'
e2e_frames 40

# Laid out for 1280 x 1024: the navy column spans 36 % of the width and the
# whole height, so it is there near its right edge at the bottom.
e2e_shot "$E2E_DIR/main.png"
column=$(e2e_pixel "$E2E_DIR/main.png" 448 1015)
e2e_near "$column" "15 26 46" 24 || e2e_fail "the column does not reach 448, 1015: $column"
# "Options", found where it is drawn by its teal rule (the bottom 2 % of the
# button, blended over the navy column): one column of the screenshot read
# at once.
rule=$(convert "$E2E_DIR/main.png" -crop 1x121+230+560 txt:- |
  sed -nE 's/^0,([0-9]+): \(([0-9]+),([0-9]+),([0-9]+)\).*/\1 \2 \3 \4/p' |
  awk '$3 > 95 && $3 < 130 && $4 > 105 && $4 < 140 && $2 < 60 { print 560 + $1; exit }')
[ -n "$rule" ] || e2e_fail "no Options button drawn near 230, 560-680"
# 12 px below the rule's top, in the gap before "Bonus gallery": nothing.
# Then on the 3 px rule itself: the options. A pointer mapped more than a
# few pixels too high opens the options at the first click; one mapped too
# low opens the gallery there or misses the rule.
e2e_click 230 $((rule + 12))
e2e_frames 20
grep -q '^\[OptionsMenu\] options$' "$E2E_LOG" && e2e_fail "a click below the button opened the options"
e2e_click 230 $((rule + 1))
e2e_wait '^\[OptionsMenu\] options$'
e2e_frames 20

# Alt+Enter: a window of the size it had before full screen.
e2e_move 640 512
xdotool key alt+Return
e2e_wait '^\[KaHostView\] size 1024x768$'
e2e_frames 10
e2e_expect_size "$window" 1024x768
e2e_stop || e2e_fail "exit status $?"
grep -q '<DebugFullScreen value="0" />' "$SAVE_DIR/options.xml" || e2e_fail "no window choice kept: $(cat "$SAVE_DIR/options.xml")"
grep -q '<DebugResolution x="1024" y="768" ' "$SAVE_DIR/options.xml" || e2e_fail "no window size kept: $(cat "$SAVE_DIR/options.xml")"

# A restart keeps the window; F11 goes back to full screen, kept in turn.
e2e_restart
e2e_start "$1"
e2e_wait '^\[KaHostView\] size 1024x768'
grep -q 'full screen' "$E2E_LOG" && e2e_fail "full screen after the restart"
window=$(e2e_window Tidewater)
eval "$(xdotool getwindowgeometry --shell "$window")"
e2e_move $((X + 512)) $((Y + 384))
xdotool key F11
e2e_wait '^\[KaHostView\] size 1280x1024 full screen$'
e2e_stop || e2e_fail "exit status $?"
grep -q '<DebugFullScreen value="1" />' "$SAVE_DIR/options.xml" || e2e_fail "full screen not kept: $(cat "$SAVE_DIR/options.xml")"
grep -q 'ERROR\|Sanitizer\|Lua error' "$E2E_LOG" && e2e_fail "errors on the console"
exit 0
