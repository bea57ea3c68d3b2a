#!/usr/bin/env bash
# Without a display the program says so in one line, with how to run it, and
# ends with a non-zero status at once, instead of playing unseen on SDL's
# offscreen driver until killed.
. "$(dirname "$0")/e2e-lib.sh"
status=0
env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER timeout 20 "$1/kagame" >"$E2E_LOG" 2>&1 || status=$?
[ "$status" -ne 124 ] || e2e_fail "still running after 20 s"
[ "$status" -ne 0 ] || e2e_fail "exit status 0 without a display"
grep -q '^No display for the game.s window (neither DISPLAY nor WAYLAND_DISPLAY is set): .*xvfb-run -a scripts/run' \
  "$E2E_LOG" || e2e_fail "no line saying what is missing and how to run the game"
[ "$(grep -c 'No display' "$E2E_LOG")" -eq 1 ] || e2e_fail "the reason is not one line"
grep -q 'XDG_RUNTIME_DIR' "$E2E_LOG" && e2e_fail "an unrelated warning came first"
exit 0
