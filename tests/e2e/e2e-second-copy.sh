#!/usr/bin/env bash
# One copy of the game at a time: a second copy started on the same save
# folder says the game is already running and ends by itself without
# touching the options; a copy killed outright leaves no lock behind.
. "$(dirname "$0")/e2e-lib.sh"
e2e_start "$1" "$(cat "$(dirname "$0")/options-windowed.xml")"
e2e_wait '^\[MainMenu\] main menu$' 120
options_before=$(cat "$SAVE_DIR/options.xml")

second=$E2E_DIR/second.log
status=0
timeout 120 "$1/kagame" >"$second" 2>&1 || status=$?
[ "$status" -eq 0 ] || e2e_fail "the second copy ended with status $status: $(tail -n 20 "$second")"
grep -q -E '^\[Application\] Tidewater is already running: this copy closes\.$' "$second" ||
  e2e_fail "the second copy did not say so: $(tail -n 20 "$second")"
grep -q -E '^\[MainMenu\] main menu$' "$second" && e2e_fail "the second copy showed its menu"
[ "$(cat "$SAVE_DIR/options.xml")" = "$options_before" ] || e2e_fail "the second copy wrote the options"
kill -0 "$E2E_PID" 2>/dev/null || e2e_fail "the first copy ended"

# The first copy dies without a word: the next start is not blocked.
kill -KILL "$E2E_PID"
wait "$E2E_PID" 2>/dev/null
E2E_PID=
e2e_restart
e2e_start "$1"
e2e_wait '^\[MainMenu\] main menu$' 120
grep -q 'already running' "$E2E_LOG" && e2e_fail "the lock of the killed copy blocked the next"
e2e_stop || e2e_fail "exit status $?"
