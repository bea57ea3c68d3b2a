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

resident_kb() { awk '/^VmRSS:/ {print $2}' "/proc/$E2E_PID/status"; }

# The quay and its film, seen once.
e2e_play_to_quay "$window"
e2e_frames 30

samples=()
for cycle in 1 2 3 4 5; do
  menus=$(grep -c '^\[MainMenu\] main menu$' "$E2E_LOG")
  quays=$(grep -c '^\[Logic01020\] enter from' "$E2E_LOG")
  # The satchel, then the belongings' house button.
  xdotool mousemove --window "$window" 744 534 click 1
  e2e_frames 40
  xdotool mousemove --window "$window" 637 135 click 1
  e2e_lines $((menus + 1)) '^\[MainMenu\] main menu$' 120
  e2e_frames 40
  # "Continue".
  xdotool mousemove --window "$window" 144 246 click 1
  e2e_lines $((quays + 1)) '^\[Logic01020\] enter from' 120
  e2e_frames 60
  samples+=("$(resident_kb)")
done
echo "resident size at the quay after each return (KB): ${samples[*]}"
growth=$((samples[4] - samples[1]))
[ "$growth" -le 4096 ] || e2e_fail "the resident size grew by $growth KB over three returns: ${samples[*]}"
e2e_stop || e2e_fail "exit status $?"
