#!/usr/bin/env bash
# A "save.xml" the game cannot load (here a scene that does not exist):
# "Continue" asks "This saved game cannot be read. Start a new game
# instead?", "No" goes back to the menu with the file as it was, and "Yes"
# starts a new game in the office.
. "$(dirname "$0")/e2e-lib.sh"
mkdir -p "$SAVE_DIR"
damaged='<Save><WarpName zone="01" scene="99999"/></Save>'
printf '%s\n' "$damaged" >"$SAVE_DIR/save.xml"
e2e_start "$1" "$(cat "$(dirname "$0")/options-windowed.xml")"
e2e_wait '^\[MainMenu\] main menu$' 120
window=$(e2e_window Tidewater)
e2e_frames 40

# "Continue", then "No".
xdotool mousemove --window "$window" 144 246 click 1
e2e_wait '^\[Application\] the save "save.xml" cannot be loaded: no scene "99999" in zone "01"$'
e2e_frames 40
xdotool mousemove --window "$window" 496 372 click 1
e2e_frames 40
grep -q 'a new game instead' "$E2E_LOG" && e2e_fail "\"No\" started a game"
grep -q '^\[Logic01010\] enter from' "$E2E_LOG" && e2e_fail "\"No\" entered a scene"
[ "$(cat "$SAVE_DIR/save.xml")" = "$damaged" ] || e2e_fail "the save was changed"

# "Continue" again, then "Yes": a new game.
xdotool mousemove --window "$window" 144 246 click 1
e2e_lines 2 '^\[Application\] the save "save.xml" cannot be loaded'
e2e_frames 40
xdotool mousemove --window "$window" 304 372 click 1
e2e_wait '^\[Application\] a new game instead of the unreadable save$'
e2e_wait '^\[Logic01010\] enter from $' 120
e2e_stop || e2e_fail "exit status $?"
