#!/usr/bin/env bash
# The command line: --help prints the usage and ends with 0 (no display
# needed); an unknown option or a bad size is refused with the usage and a
# non-zero status; --windowed 1024x768 plays in a window of that size over
# options that say full screen, on a larger screen, and leaves the options'
# choice as it was.
. "$(dirname "$0")/e2e-lib.sh"
bin=$1
status=0
env -u DISPLAY timeout 20 "$bin/kagame" --help >"$E2E_DIR/help.txt" 2>&1 || status=$?
[ "$status" -eq 0 ] || e2e_fail "--help: exit status $status"
grep -q '^Usage: .*kagame \[--windowed \[WIDTHxHEIGHT\]\] \[--fullscreen\] \[--help\]$' "$E2E_DIR/help.txt" ||
  e2e_fail "--help: no usage: $(cat "$E2E_DIR/help.txt")"

while IFS='|' read -r arguments expected; do
  status=0
  # shellcheck disable=SC2086
  timeout 20 "$bin/kagame" $arguments >"$E2E_DIR/refused.txt" 2>&1 || status=$?
  [ "$status" -ne 0 ] && [ "$status" -ne 124 ] || e2e_fail "$arguments: exit status $status"
  grep -q -- "$expected" "$E2E_DIR/refused.txt" || e2e_fail "$arguments: no \"$expected\": $(cat "$E2E_DIR/refused.txt")"
  grep -q '^Usage: ' "$E2E_DIR/refused.txt" || e2e_fail "$arguments: no usage"
done <<'CASES'
--bogus|unknown option '--bogus'
--windowed 1024|bad window size '1024'
CASES

E2E_SCREEN=1280x1024x24
e2e_start "$bin" '<?xml version="1.0" ?>
<DebugFullScreen value="1" />' --windowed 1024x768
e2e_wait '^\[KaHostView\] size 1024x768$'
e2e_wait '^\[SplashScreens\] splash 0$'
window=$(e2e_window Tidewater)
e2e_frames 5
e2e_expect_size "$window" 1024x768
grep -q 'full screen' "$E2E_LOG" && e2e_fail "full screen although --windowed"
e2e_stop || e2e_fail "exit status $?"
grep -q '<DebugFullScreen value="1" />' "$SAVE_DIR/options.xml" ||
  e2e_fail "the command line's choice went into the options: $(cat "$SAVE_DIR/options.xml")"
exit 0
