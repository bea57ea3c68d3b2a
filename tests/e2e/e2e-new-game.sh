#!/usr/bin/env bash
# A new game from the main menu, with the tutorial: the clerk's greeting and
# a choice, a click on the floor walks the player, the door leads to the
# quay, and the satchel opens the belongings over the scene.
. "$(dirname "$0")/e2e-lib.sh"
e2e_start "$1" "$(cat "$(dirname "$0")/options-windowed.xml")"
e2e_wait '^\[SplashScreens\] splash 0$'
window=$(e2e_window Tidewater)
e2e_frames 40
xdotool mousemove --window "$window" 300 200 click 1
e2e_wait '^\[SplashScreens\] end of the splash screens$'
e2e_wait '^\[MainMenu\] main menu$'
e2e_frames 40
# The greeting's three lines, then the notepad with three answers: the last
# one ("Goodbye", 0.15 across, 0.30 down) ends the conversation.
e2e_new_game "$window"
e2e_frames 40

# The office floor in front of the desk: a walk to it.
xdotool mousemove --window "$window" 464 348 click 1
e2e_wait '^\[Logic01010\] click$'
e2e_wait '^\[Logic01010\] arrived$' 120

# The door's hotspot (its centre over the painting): walk there, then warp.
xdotool mousemove --window "$window" 112 161 click 1
e2e_wait '^\[Logic01010\] hit ClicDoor01010$'
e2e_wait '^\[Logic01010\] out to the quay$' 120
e2e_wait '^\[Logic01020\] enter from 01010$'
# The first time on the quay a short film plays over the scene.
e2e_wait '^\[Logic01020\] the film of the quay is over$'
e2e_frames 40

# The satchel (bottom right) opens the inventory: the menu bar's amber tab
# ("Inventory", top left) covers the place name.
e2e_shot "$E2E_DIR/quay.png"
before=$(e2e_pixel "$E2E_DIR/quay.png" 128 14)
e2e_near "$before" "242 181 68" 60 && e2e_fail "the menu bar showed before the satchel was clicked"
xdotool mousemove --window "$window" 744 534 click 1
e2e_frames 40
e2e_shot "$E2E_DIR/inventory.png"
after=$(e2e_pixel "$E2E_DIR/inventory.png" 128 14)
e2e_near "$after" "242 181 68" 60 || e2e_fail "the inventory did not open: $before then $after"
grep -q 'ERROR\|Sanitizer\|Lua error\|attempt to' "$E2E_LOG" && e2e_fail "errors on the console"
e2e_stop || e2e_fail "exit status $?"
