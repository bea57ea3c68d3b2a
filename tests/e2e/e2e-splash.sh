#!/usr/bin/env bash
# Start-up reaches the first splash in an 800 x 600 window named after the
# game; its picture and the game's own cursor are on screen.
. "$(dirname "$0")/e2e-lib.sh"
e2e_start "$1" "$(cat "$(dirname "$0")/options-windowed.xml")"
e2e_wait '^\[SplashScreens\] splash 0$'
window=$(e2e_window Tidewater)
[ -n "$window" ] || e2e_fail "no window named Tidewater"
geometry=$(xdotool getwindowgeometry "$window" | grep Geometry)
[ "$geometry" = "  Geometry: 800x600" ] || e2e_fail "window is $geometry"

xdotool mousemove --window "$window" 200 420
e2e_frames 20
shot=$E2E_DIR/splash.png
import -window "$window" "$shot" 2>/dev/null || e2e_fail "no screenshot"

# The keyhole of the studio's mark, centred; the night-blue ground in a corner.
e2e_near "$(e2e_pixel "$shot" 400 225)" "246 236 217" || e2e_fail "keyhole: $(e2e_pixel "$shot" 400 225)"
e2e_near "$(e2e_pixel "$shot" 20 580)" "9 14 25" 16 || e2e_fail "ground: $(e2e_pixel "$shot" 20 580)"
# The cursor's arrow: its pale body just below and right of the pointer's
# tip, its dark outline along the left edge.
e2e_near "$(e2e_pixel "$shot" 205 440)" "246 236 217" || e2e_fail "cursor body: $(e2e_pixel "$shot" 205 440)"
e2e_stop || e2e_fail "exit status $?"
