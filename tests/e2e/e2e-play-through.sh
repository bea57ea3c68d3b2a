#!/usr/bin/env bash
# The whole sample game, played through the mouse as a player would: the
# splashes, the main menu, a new game; in the office the clerk's greeting,
# the question that earns the tide board's key, "Goodbye", the logbook taken
# and read from the satchel, the door; the quay's film. There the game has saved itself: the
# player goes back to the main menu from the satchel and quits. The program
# starts again, "Continue" returns to the quay (without the film), the
# pointer turns to a hand over the case and the eye shows and hides the
# quay's spots, the case stays shut to empty hands, the key held from the satchel opens it, the
# phone calls the number found, the call is heard with its subtitles, and the
# story ends in the credits. A third start loads each page the story wrote
# in the loading menu.
#
# Each step waits for the scene script's own console line and checks the
# screen by a few pixels of the window (800 x 600) that only that step shows.
# E2E_SHOTS=DIR keeps the screenshots.
. "$(dirname "$0")/e2e-lib.sh"
# The pointer's picture and the markers on the console.
export KA_CURSOR_LOG=1
shots=$E2E_DIR/shots
mkdir -p "$shots"
keep_shots() { [ -n "${E2E_SHOTS:-}" ] && mkdir -p "$E2E_SHOTS" && cp "$shots"/*.png "$E2E_DIR"/*.log "$E2E_SHOTS"/ 2>/dev/null; true; }
trap 'keep_shots; e2e_cleanup' EXIT

# As a player does: the pointer comes to rest over the spot, then clicks.
click() {
  xdotool mousemove --window "$window" "$1" "$2"
  e2e_frames 3
  xdotool click 1
}
shot() { import -window "$window" "$shots/$1.png" 2>/dev/null || e2e_fail "no screenshot of $1"; }
# The mean colour of a W x H box of a screenshot: "r g b".
mean() {
  convert "$shots/$1.png" -crop "${4}x${5}+${2}+${3}" +repage -resize '1x1!' \
    -format '%[fx:int(255*r)] %[fx:int(255*g)] %[fx:int(255*b)]' info:
}
# expect SHOT X Y "R G B" TOLERANCE WHAT: the pixel is near the colour.
expect() {
  local got
  got=$(e2e_pixel "$shots/$1.png" "$2" "$3")
  e2e_near "$got" "$4" "$5" || e2e_fail "$6: pixel ($2, $3) of $1 is $got, not near $4"
}
# refute SHOT X Y "R G B" TOLERANCE WHAT: the pixel is far from the colour.
refute() {
  local got
  got=$(e2e_pixel "$shots/$1.png" "$2" "$3")
  e2e_near "$got" "$4" "$5" && e2e_fail "$6: pixel ($2, $3) of $1 is $got"
  true
}
# Leaving a scene with an object in hand hands it to the scene once more
# while the scene's functions are already gone: that one is expected.
no_faults() {
  e2e_no_faults '"OnSelectedObject" n.existe pas'
}
amber="242 181 68"
navy="15 26 46"
cream="237 228 210"

# --- The splashes and the main menu.
e2e_start "$1" "$(cat "$(dirname "$0")/options-windowed.xml")"
e2e_wait '^\[SplashScreens\] splash 0$'
window=$(e2e_window Tidewater)
e2e_frames 40
shot 01-splash
click 400 300
e2e_wait '^\[MainMenu\] main menu$'
e2e_frames 40
shot 02-main-menu
expect 02-main-menu 60 520 "$navy" 24 "the main menu's column"
expect 02-main-menu 290 300 "$amber" 60 "the main menu's amber rule"
[ -e "$SAVE_DIR/save.xml" ] && e2e_fail "a save before any game"

# --- A new game, with the tutorial.
click 144 192
e2e_frames 40
click 304 372
e2e_wait '^\[Logic01010\] enter from $'
e2e_wait '^\[Logic01010\] the clerk waits for an answer$' 180
e2e_frames 20
shot 03-office-answers
expect 03-office-answers 240 300 "$cream" 30 "the notepad of answers"

# "May I look at the logbook?": the clerk answers and hands over the key;
# "Goodbye." is then the second of two answers.
click 178 132
e2e_wait '^\[Logic01010\] answered 01010_ANS_LOGBOOK$'
e2e_wait '^\[Logic01010\] the clerk hands over the key$' 120
e2e_frames 40
click 100 132
e2e_wait '^\[Logic01010\] answered 01010_ANS_FIN$'
e2e_frames 40
shot 04-office
refute 04-office 240 300 "$cream" 30 "the notepad after Goodbye"

# The logbook on the desk: walked to, read, taken; the objectives move on.
click 556 189
e2e_wait '^\[Logic01010\] hit ClicLogbook$'
e2e_wait '^\[Logic01010\] next: the tide table on the quay$' 180

# The logbook read from the satchel: the newest object is in the first slot;
# "Read" lays its first page over the window, a double click puts it away
# and the satchel shows again.
click 744 534
e2e_frames 40
click 166 238
e2e_wait '^Document$'
e2e_frames 10
click 535 472
e2e_frames 40
shot 04b-logbook-page
expect 04b-logbook-page 60 300 "242 232 204" 24 "the logbook's page"
# (On the hint band under the page: the page's own button, over the ringed
# entry, takes the clicks it is under as the page scrolls.)
xdotool mousemove --window "$window" 400 590
e2e_frames 3
xdotool click --repeat 2 --delay 80 1
e2e_wait '^\[Logic01010\] document closed: Logbook$'
e2e_frames 20
shot 04c-satchel-again
expect 04c-satchel-again 128 14 "$amber" 60 "the inventory's tab after the logbook"
click 673 135
e2e_wait '^\[Logic01010\] holding Logbook$'
e2e_frames 20

# The door: out to the quay, and its film the first time.
click 112 161
e2e_wait '^\[Logic01010\] out to the quay$' 120
# (The logbook in hand prints "Document" without an end of line first.)
e2e_wait '\[Logic01020\] enter from 01010$' 60
e2e_wait '^\[Logic01020\] the film of the quay is over$' 120
e2e_frames 40
shot 05-quay
expect 05-quay 568 190 "227 225 201" 40 "the quay's lit office window"
[ -s "$SAVE_DIR/save.xml" ] || e2e_fail "no save.xml after the change of place"
grep -q 'scene="01020"' "$SAVE_DIR/save.xml" || e2e_fail "the save is not of the quay"

# --- Back to the main menu from the satchel, and quit.
click 744 534
e2e_frames 40
shot 06-inventory
expect 06-inventory 128 14 "$amber" 60 "the inventory's tab"
click 592 28
e2e_lines 2 '^\[MainMenu\] main menu$'
e2e_frames 40
e2e_quit "$window"
no_faults

# --- Again, on a display of its own: "Continue" brings the quay back.
e2e_restart
mv "$E2E_LOG" "$E2E_DIR/first-run.log"
e2e_start "$1"
e2e_wait '^\[MainMenu\] main menu$' 120
window=$(e2e_window Tidewater)
e2e_frames 40
click 144 246
e2e_wait '\[Logic01020\] enter from 01010$' 120
e2e_frames 60
grep -q 'the film of the quay is over' "$E2E_LOG" && e2e_fail "the film played again after Continue"
shot 07-quay-continued
expect 07-quay-continued 568 190 "227 225 201" 40 "the quay after Continue"

# What can be used shows: a hand over the case, the pointer again off it;
# the eye shows the quay's two spots, and hides them.
e2e_after '^\[Game\] cursor pictures/Main.png$' xdotool mousemove --window "$window" 649 217
e2e_after '^\[Game\] cursor pictures/cursor.png$' xdotool mousemove --window "$window" 400 520
xdotool mousemove --window "$window" 684 54
e2e_frames 10
e2e_after '^\[Game\] markers shown: 2$' xdotool click 1
e2e_after '^\[Game\] markers hidden: 2$' xdotool click 1

# The tide table's case, with empty hands: Mira says it is locked.
click 649 217
e2e_wait '^\[Logic01020\] the case is locked$' 120
e2e_frames 20
shot 08-locked
expect 08-locked 400 465 "$amber" 60 "the dialog panel's rule"
e2e_wait '^\[Logic01020\] the case stays shut: help.tides.use$' 60
e2e_frames 20

# The key, held from the satchel: it shows beside the satchel. A reload
# brings the objects back in the reverse order: the key, taken first, is now
# in the first slot.
click 744 534
e2e_frames 40
shot 09-satchel
expect 09-satchel 128 14 "$amber" 60 "the inventory's tab after Continue"
click 166 238
e2e_wait '^OnObjectSelected$'
e2e_frames 10
click 673 135
e2e_wait '^\[Logic01020\] holding BrassKey$'
e2e_frames 40
shot 10-key-held
held=$(mean 10-key-held 660 520 40 40)
e2e_near "$held" "29 37 54" 12 && e2e_fail "no key beside the satchel: $held"
click 649 217
e2e_wait '^\[Logic01020\] the key opens the case$' 120
e2e_wait '^\[Logic01020\] the tide table: high water at 21:40$' 60
e2e_frames 20
shot 10b-case-open
# The glare on the case's glass, left, above Mira's head, is gone once
# the door stands open: the case's dark inside shows.
refute 10b-case-open 620 199 "$(e2e_pixel "$shots/08-locked.png" 620 199)" 30 "the case's door, open"

# The tide table, read from the satchel (the newest object, in the first
# slot): the week's tides and the harbour master's number on the page.
click 744 534
e2e_frames 40
click 166 238
e2e_wait '^Document$'
e2e_frames 10
click 535 472
e2e_frames 40
shot 10c-tide-table
expect 10c-tide-table 30 300 "242 232 204" 24 "the tide table's page"
# The harbour master's number printed on the card pinned to the table.
expect 10c-tide-table 640 435 "255 255 255" 12 "the number's card"
digits=$(mean 10c-tide-table 600 500 80 30)
e2e_near "$digits" "255 255 255" 20 && e2e_fail "no number printed on the card: $digits"
xdotool mousemove --window "$window" 400 590
e2e_frames 3
xdotool click --repeat 2 --delay 80 1
e2e_wait '^\[Logic01020\] document closed: TideTable$'
e2e_frames 20
click 673 135
e2e_wait '^\[Logic01020\] holding TideTable$'
e2e_frames 20

# The phone, from the satchel: the harbour master's number, and the call.
click 744 534
e2e_frames 40
click 630 472
e2e_frames 40
shot 11-phone
expect 11-phone 335 380 "69 176 102" 40 "the phone's green key"
click 352 396
e2e_wait '^\[Logic01020\] calling 5550142$'
# The call is heard and read: its lines with their subtitles, then the end.
e2e_frames 60
shot 11b-call
expect 11b-call 400 465 "$amber" 60 "the call's subtitles"
e2e_wait '^\[Logic01020\] the harbour master will be back at high water$' 120
e2e_wait '^\[Logic01020\] the end$' 60
e2e_wait '^\[Credits\] credits$' 60
e2e_frames 760
shot 12-credits
expect 12-credits 760 320 "230 170 80" 70 "the credits' dawn"
no_faults
e2e_stop || e2e_fail "exit status $?"

# --- The loading menu: the story wrote a page at each chapter (the logbook
# read, the quay, the case open); each one loads where it was written.
for slot in 0 1 2; do [ -s "$SAVE_DIR/$slot.xml" ] || e2e_fail "no page $slot.xml was written"; done
[ -e "$SAVE_DIR/3.xml" ] && e2e_fail "a fourth page was written"
e2e_restart
mv "$E2E_LOG" "$E2E_DIR/second-run.log"
e2e_start "$1"
e2e_wait '^\[MainMenu\] main menu$' 120
window=$(e2e_window Tidewater)
pages=("01010 logbookRead" "01020 quayFilmSeen" "01020 tideTableRead")
for slot in 0 1 2; do
  scene=${pages[$slot]%% *} flag=${pages[$slot]#* }
  e2e_frames 40
  click 144 300
  e2e_frames 60
  # Leafed to the page by a drag below the pages, one stretch a page.
  xdotool mousemove --window "$window" 760 420 mousedown 1
  e2e_frames 3
  for step in $(seq 1 "$slot"); do
    xdotool mousemove --window "$window" $((760 - 110 * step)) 420
    e2e_frames 3
  done
  xdotool mouseup 1
  e2e_frames 40
  shot "13-load-page-$slot"
  entered=$(grep -c "\[Logic$scene\] enter from" "$E2E_LOG")
  click 397 280
  e2e_frames 40
  click 304 360
  e2e_lines $((entered + 1)) "\[Logic$scene\] enter from" 120
  grep -q "name=\"$flag\"" "$SAVE_DIR/$slot.xml" || e2e_fail "page $slot.xml does not hold $flag"
  e2e_frames 60
  shot "14-loaded-page-$slot"
  # Back to the main menu from the satchel.
  menus=$(grep -c '^\[MainMenu\] main menu$' "$E2E_LOG")
  click 744 534
  e2e_frames 40
  click 592 28
  e2e_lines $((menus + 1)) '^\[MainMenu\] main menu$'
done
grep -q 'the film of the quay is over' "$E2E_LOG" && e2e_fail "the film played again from a page written after it"
no_faults
e2e_frames 40
e2e_quit "$window"
