#!/usr/bin/env bash
# Saves that cannot be written are told to the player, once, and the game
# goes on. The program runs as root here, which file permissions do not
# stop: a folder sits where the save's temporary file must go, so every
# write of "save.xml" fails as it would in a read-only folder.
. "$(dirname "$0")/e2e-lib.sh"
mkdir -p "$SAVE_DIR/save.xml.tmp/blocker"
e2e_start "$1" "$(cat "$(dirname "$0")/options-windowed.xml")"
e2e_wait '^\[MainMenu\] main menu$' 120
window=$(e2e_window Tidewater)
e2e_frames 40

e2e_play_to_quay "$window"
e2e_frames 30
failed=$(grep -c '^ActionManager::Save: error' "$E2E_LOG")
[ "$failed" -ge 2 ] || e2e_fail "$failed failed saves: one at each place entered was expected"
[ -e "$SAVE_DIR/save.xml" ] && e2e_fail "a save was written"
told=$(grep -c '^\[Application\] the player is told: saveFailed$' "$E2E_LOG")
[ "$told" -eq 1 ] || e2e_fail "the failed save was told $told times"
kill -0 "$E2E_PID" 2>/dev/null || e2e_fail "the game ended"
e2e_stop || e2e_fail "exit status $?"
