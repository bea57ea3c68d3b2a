#!/usr/bin/env bash
# In the office, a click on the floor walks Mira there; a quick second click
# on the same spot makes her run: the run's animations play, and she still
# arrives.
. "$(dirname "$0")/e2e-lib.sh"
e2e_to_main_menu "$1"
e2e_new_game "$window"
e2e_frames 40

# One click: a walk, and no run.
xdotool mousemove --window "$window" 464 348
e2e_frames 3
xdotool click 1
e2e_wait '^\[Logic01010\] arrived$' 120
grep -q '^current anim player .*Walk' "$E2E_LOG" || e2e_fail "no walk after one click"
grep -q '^current anim player .*Jog' "$E2E_LOG" && e2e_fail "a single click made her run"
arrivals=$(grep -c '^\[Logic01010\] arrived$' "$E2E_LOG")

# Across the room: two clicks on one spot, 80 ms apart.
xdotool mousemove --window "$window" 250 420
e2e_frames 3
xdotool click --repeat 2 --delay 80 1
e2e_wait '^current anim player .*Jog' 120
e2e_lines $((arrivals + 1)) '^\[Logic01010\] arrived$' 120
grep -q 'Sanitizer\|runtime error:\|Lua error\|attempt to' "$E2E_LOG" && e2e_fail "errors on the console"
e2e_stop || e2e_fail "exit status $?"
