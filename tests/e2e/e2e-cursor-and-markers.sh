#!/usr/bin/env bash
# In the office, the pointer shows what can be used: a hand over the
# logbook, an arrow to the left over the door out, the plain pointer
# elsewhere. The eye beside the notepad's button shows the markers of the
# room's spots, and hides them again.
. "$(dirname "$0")/e2e-lib.sh"
# The game says which picture its pointer shows and when the markers go.
export KA_CURSOR_LOG=1
e2e_start "$1" "$(cat "$(dirname "$0")/options-windowed.xml")"
e2e_wait '^\[SplashScreens\] splash 0$'
window=$(e2e_window Tidewater)
e2e_frames 40
xdotool mousemove --window "$window" 300 200 click 1
e2e_wait '^\[MainMenu\] main menu$'
e2e_frames 40
e2e_new_game "$window"
e2e_frames 40

# Moves the pointer there and waits for the next change to PICTURE.
pointer_over() {
  local x=$1 y=$2 picture=$3 count
  count=$(grep -c -F -x "[Game] cursor $picture" "$E2E_LOG")
  xdotool mousemove --window "$window" "$x" "$y"
  e2e_lines $((count + 1)) "^\\[Game\\] cursor $picture\$" 60
}

# Somewhere plain first, whatever the last click left.
xdotool mousemove --window "$window" 400 520
e2e_frames 10
pointer_over 556 189 pictures/Main.png
pointer_over 400 520 pictures/cursor.png
pointer_over 112 161 pictures/F270.png
pointer_over 400 520 pictures/cursor.png

# The markers: none over the logbook, then the eye shows them.
logbook_ring() {
  e2e_shot "$E2E_DIR/$1.png"
  # The logbook's marker is centred on (556, 189) in the 800 x 600 window:
  # its amber ring lies 10 pixels right of the centre.
  local X Y WIDTH HEIGHT SCREEN WINDOW
  eval "$(xdotool getwindowgeometry --shell "$window")"
  e2e_pixel "$E2E_DIR/$1.png" $((X + 566)) $((Y + 189))
}
amber="242 181 68"
before=$(logbook_ring hidden-before)
e2e_near "$before" "$amber" 40 && e2e_fail "a marker over the logbook before the eye was used: $before"
xdotool mousemove --window "$window" 684 54 click 1
e2e_wait '^\[Game\] markers shown: 2$'
xdotool mousemove --window "$window" 400 520
e2e_frames 10
shown=$(logbook_ring shown)
e2e_near "$shown" "$amber" 40 || e2e_fail "no marker over the logbook once the eye shows them: $shown"
# The spots keep their pointer while the markers show.
pointer_over 556 189 pictures/Main.png
pointer_over 684 54 pictures/cursor.png
xdotool click 1
e2e_wait '^\[Game\] markers hidden: 2$'
xdotool mousemove --window "$window" 400 520
e2e_frames 10
after=$(logbook_ring hidden-after)
e2e_near "$after" "$amber" 40 && e2e_fail "the marker over the logbook stays after the eye hid it: $after"

e2e_no_faults
e2e_stop || e2e_fail "exit status $?"
