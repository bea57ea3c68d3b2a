#!/usr/bin/env bash
# In the office, the pointer shows what can be used: a hand over the
# logbook, an arrow to the left over the door out, the plain pointer
# elsewhere. The eye beside the notepad's button shows the markers of the
# room's spots, and hides them again.
. "$(dirname "$0")/e2e-lib.sh"
# The game says which picture its pointer shows and when the markers go.
export KA_CURSOR_LOG=1
e2e_to_main_menu "$1"
e2e_new_game "$window"
e2e_frames 40

# Runs the command, then waits for one more console line matching REGEX.
# Moves the pointer there and waits for the cursor's change to PICTURE.
pointer_over() {
  e2e_after "^\\[Game\\] cursor $3\$" xdotool mousemove --window "$window" "$1" "$2"
}

# Somewhere plain first, whatever the last click left.
xdotool mousemove --window "$window" 400 520
e2e_frames 10
pointer_over 556 189 pictures/Main.png
pointer_over 400 520 pictures/cursor.png
pointer_over 112 161 pictures/F270.png
pointer_over 400 520 pictures/cursor.png
pointer_over 440 200 pictures/Main.png
pointer_over 400 520 pictures/cursor.png

# The markers: none over the logbook until the eye shows them.
logbook_ring() {
  e2e_frames 3
  e2e_shot "$E2E_DIR/$1.png"
  # The logbook's marker is centred on (556, 189) in the 800 x 600 window:
  # its amber ring lies 10 pixels right of the centre.
  local X Y WIDTH HEIGHT SCREEN WINDOW
  eval "$(xdotool getwindowgeometry --shell "$window")"
  e2e_pixel "$E2E_DIR/$1.png" $((X + 566)) $((Y + 189))
}
amber="242 181 68"
shown_lines='^\[Game\] markers shown: 3$'
hidden_lines='^\[Game\] markers hidden: 3$'
ring=$(logbook_ring before)
e2e_near "$ring" "$amber" 40 && e2e_fail "a marker over the logbook before the eye was used: $ring"
# The pointer over the eye alone changes nothing.
shown=$(grep -c -E -- "$shown_lines" "$E2E_LOG")
xdotool mousemove --window "$window" 684 54
e2e_frames 10
[ "$(grep -c -E -- "$shown_lines" "$E2E_LOG")" -eq "$shown" ] || e2e_fail "the pointer over the eye showed the markers"
e2e_after "$shown_lines" xdotool click 1
ring=$(logbook_ring shown)
e2e_near "$ring" "$amber" 40 || e2e_fail "no marker over the logbook once the eye shows them: $ring"
# The spots keep their pointer while the markers show.
pointer_over 556 189 pictures/Main.png
pointer_over 684 54 pictures/cursor.png
e2e_after "$hidden_lines" xdotool click 1
ring=$(logbook_ring hidden)
e2e_near "$ring" "$amber" 40 && e2e_fail "the marker over the logbook stays after the eye hid it: $ring"
# Nor does the pointer leaving the eye bring them back.
shown=$(grep -c -E -- "$shown_lines" "$E2E_LOG")
xdotool mousemove --window "$window" 400 520
e2e_frames 10
[ "$(grep -c -E -- "$shown_lines" "$E2E_LOG")" -eq "$shown" ] || e2e_fail "the markers came back as the pointer left the eye"

e2e_no_faults
e2e_stop || e2e_fail "exit status $?"
