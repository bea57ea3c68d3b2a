#!/usr/bin/env bash
# Leaving a game for the main menu and continuing it gives back what the game
# held: a game played to the quay, then five times the belongings' "main
# menu" button and "Continue". The resident size at the quay may settle over
# the first returns, then stays within a few megabytes: a background, a
# glyph atlas or a panel kept per return would add megabytes each time.
# Without the allocator's quarantine, the resident size is what the program
# holds.
export ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}quarantine_size_mb=0
. "$(dirname "$0")/e2e-lib.sh"
e2e_start "$1" "$(cat "$(dirname "$0")/options-windowed.xml")"
e2e_wait '^\[MainMenu\] main menu$' 120
window=$(e2e_window Tidewater)
e2e_frames 40

# Waits until the console holds COUNT lines matching REGEX.
lines_reach() {
  local pattern=$1 count=$2 seconds=${3:-120} end=$((SECONDS + ${3:-120}))
  while [ "$(grep -c -E -- "$pattern" "$E2E_LOG")" -lt "$count" ]; do
    kill -0 "$E2E_PID" 2>/dev/null || e2e_fail "the program ended before line $count of /$pattern/"
    [ "$SECONDS" -lt "$end" ] || e2e_fail "no line $count of /$pattern/ within $seconds s"
    sleep 0.2
  done
}
resident_kb() { awk '/^VmRSS:/ {print $2}' "/proc/$E2E_PID/status"; }

# "New game", the tutorial's "Yes", the clerk's goodbye, the door: the quay
# and its film, seen once.
xdotool mousemove --window "$window" 144 192 click 1
e2e_frames 40
xdotool mousemove --window "$window" 304 372 click 1
e2e_wait '^\[Logic01010\] the clerk waits for an answer$' 180
e2e_frames 20
xdotool mousemove --window "$window" 120 180 click 1
e2e_wait '^\[Logic01010\] answered 01010_ANS_FIN$'
e2e_frames 40
xdotool mousemove --window "$window" 112 161 click 1
e2e_wait '^\[Logic01020\] the film of the quay is over$' 180
e2e_frames 30

samples=()
for cycle in 1 2 3 4 5; do
  menus=$(grep -c '^\[MainMenu\] main menu$' "$E2E_LOG")
  quays=$(grep -c '^\[Logic01020\] enter from' "$E2E_LOG")
  # The satchel, then the belongings' house button.
  xdotool mousemove --window "$window" 744 534 click 1
  e2e_frames 40
  xdotool mousemove --window "$window" 637 135 click 1
  lines_reach '^\[MainMenu\] main menu$' $((menus + 1))
  e2e_frames 40
  # "Continue".
  xdotool mousemove --window "$window" 144 246 click 1
  lines_reach '^\[Logic01020\] enter from' $((quays + 1))
  e2e_frames 60
  samples+=("$(resident_kb)")
done
echo "resident size at the quay after each return (KB): ${samples[*]}"
growth=$((samples[4] - samples[1]))
[ "$growth" -le 4096 ] || e2e_fail "the resident size grew by $growth KB over three returns: ${samples[*]}"
e2e_stop || e2e_fail "exit status $?"
