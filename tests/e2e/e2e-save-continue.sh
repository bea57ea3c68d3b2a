#!/usr/bin/env bash
# The game keeps itself: a new game walked out to the quay writes
# "save.xml"; the program ends, starts again, and "Continue" on the main
# menu comes back to the quay.
. "$(dirname "$0")/e2e-lib.sh"
e2e_start "$1" "$(cat "$(dirname "$0")/options-windowed.xml")"
e2e_wait '^\[MainMenu\] main menu$' 120
window=$(e2e_window Tidewater)
e2e_frames 40
[ -e "$SAVE_DIR/save.xml" ] && e2e_fail "a save before any game"

e2e_play_to_quay "$window"
e2e_frames 30
[ -s "$SAVE_DIR/save.xml" ] || e2e_fail "no save.xml after the change of place"
grep -q 'zone="01"' "$SAVE_DIR/save.xml" && grep -q 'scene="01020"' "$SAVE_DIR/save.xml" ||
  e2e_fail "the save is not of the quay: $(cat "$SAVE_DIR/save.xml")"
e2e_stop || e2e_fail "exit status $?"

# Again, on a display of its own: "Continue" is on and brings the quay back.
e2e_restart
e2e_start "$1"
e2e_wait '^\[MainMenu\] main menu$'
window=$(e2e_window Tidewater)
e2e_frames 40
xdotool mousemove --window "$window" 144 246 click 1
e2e_wait '^\[Logic01020\] enter from 01010$' 120
e2e_stop || e2e_fail "exit status $?"
