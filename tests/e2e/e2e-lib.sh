# Shared by the end-to-end tests: runs the real program on its sample content
# in a virtual X server, with a fresh save folder and OpenAL Soft's null
# driver, and syncs on the program's console lines, never on sleeps.
#
#   e2e_start BIN_DIR [OPTIONS_XML [ARGUMENTS...]]
#                                     starts Xvfb (E2E_SCREEN, default
#                                     1024x768x24) and the program
#   e2e_wait REGEX [SECONDS]          waits for a console line (default 60 s)
#   e2e_frames N                      waits until N more frames were drawn
#   e2e_click X Y                     moves the pointer there and clicks
#   e2e_move X Y
#   e2e_expect_size WINDOW WxH        fails unless the window has that size
#   e2e_shot FILE                     screenshot of the whole screen
#   e2e_pixel FILE X Y                "r g b" of one pixel of a screenshot
#   e2e_stop                          SIGTERM, then waits for the exit status
#   e2e_lines COUNT REGEX [SECONDS]   waits until COUNT console lines match
#   e2e_restart                       a fresh virtual X server for the next
#                                     e2e_start (the save folder stays)
#   e2e_quit WINDOW                   "Quit" and "Yes" on the main menu: the
#                                     program must end by itself with status 0
#   e2e_new_game WINDOW               from the main menu: "New game", the
#                                     tutorial's "Yes", the clerk's greeting
#                                     and "Goodbye"
#   e2e_play_to_quay WINDOW           e2e_new_game, then the door, until the
#                                     quay's film is over
#   e2e_to_main_menu BIN_DIR          e2e_start in the tests' window, a click
#                                     through the splashes, until the main
#                                     menu is up; sets $window
#   e2e_after REGEX COMMAND...        runs the command, then waits for one
#                                     more console line matching REGEX than
#                                     there was before it
#   e2e_no_faults [EXPECTED]          fails on the first fault line on the
#                                     console so far (a sanitizer report, a
#                                     Lua error, a missing function, a file
#                                     that cannot be opened or is missing)
#                                     unless it matches the regex EXPECTED
set -u

E2E_DIR=$(mktemp -d)
E2E_LOG=$E2E_DIR/console.log
E2E_PID=
E2E_XVFB=
export XDG_DATA_HOME=$E2E_DIR/data
export ALSOFT_DRIVERS=${ALSOFT_DRIVERS-null}
export KA_FIXED_STEP=1
# The host prints a line every 10 frames: the tests' frame clock.
export KA_FRAME_LOG=10
# A start-up error stays on the console: no message box waits for a click.
export KA_NO_MESSAGE_BOX=1
E2E_SCREEN=${E2E_SCREEN:-1024x768x24}
# Leaks are the unit tests' business: the X and GL drivers loaded here keep
# blocks that LeakSanitizer cannot even name once they are unloaded.
export ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0
SAVE_DIR=$XDG_DATA_HOME/Tidewater

E2E_FAULTS='Sanitizer|runtime error:|^Lua: |attempt to |stack traceback|Can.t parse|can.t find|n.existe pas'
E2E_FAULTS+='|[Cc]an.t open|can.t be opened|could not open|[Mm]issing|No geometry file|failed to load'

e2e_no_faults() {
  local found
  found=$(grep -E -- "$E2E_FAULTS" "$E2E_LOG" | grep -v -E -- "${1:-^\$}" | head -n 1)
  [ -z "$found" ] || e2e_fail "a fault on the console: $found"
}

e2e_fail() {
  echo "FAIL: $*" >&2
  echo "--- console" >&2
  tail -n 40 "$E2E_LOG" >&2 2>/dev/null
  exit 1
}

e2e_cleanup() {
  [ -n "$E2E_PID" ] && kill -KILL "$E2E_PID" 2>/dev/null
  [ -n "$E2E_XVFB" ] && kill "$E2E_XVFB" 2>/dev/null
  rm -rf "$E2E_DIR"
}
trap e2e_cleanup EXIT

e2e_start() {
  local bin=$1 options=${2:-}
  shift $(($# < 2 ? $# : 2))
  mkdir -p "$SAVE_DIR"
  [ -n "$options" ] && printf '%s\n' "$options" > "$SAVE_DIR/options.xml"
  # Xvfb picks a free display and writes its number to the pipe.
  mkfifo "$E2E_DIR/displayfd"
  Xvfb -displayfd 3 -screen 0 "$E2E_SCREEN" -nolisten tcp 3>"$E2E_DIR/displayfd" >/dev/null 2>&1 &
  E2E_XVFB=$!
  local display
  read -r -t 30 display <"$E2E_DIR/displayfd" || e2e_fail "Xvfb did not start"
  export DISPLAY=:$display
  # There before the program opens it: a wait that starts first must not
  # find no file at all.
  : >"$E2E_LOG"
  "$bin/kagame" "$@" >"$E2E_LOG" 2>&1 &
  E2E_PID=$!
}

e2e_wait() {
  local pattern=$1 seconds=${2:-60}
  # tail follows the log as it grows; grep ends the pipe at the first match.
  if ! timeout "$seconds" bash -c "tail -n +1 -f '$E2E_LOG' --pid=$E2E_PID | grep -q -m1 -E -- \"\$0\"" "$pattern"; then
    e2e_fail "no console line matching /$pattern/ within $seconds s"
  fi
  grep -q -E -- "$pattern" "$E2E_LOG" || e2e_fail "the program ended before /$pattern/"
}

e2e_frames() {
  local wanted=$1 have
  have=$(grep -c '^\[KaHostView\] frame' "$E2E_LOG" || true)
  local target=$((have + (wanted + 9) / 10 + 1))
  e2e_wait "^\\[KaHostView\\] frame $((target * 10))\$"
}

e2e_window() {
  xdotool search --sync --name "$1" | head -n 1
}

# Fails unless the window's size is WIDTHxHEIGHT.
e2e_expect_size() {
  local WIDTH HEIGHT X Y SCREEN WINDOW
  eval "$(xdotool getwindowgeometry --shell "$1")"
  [ "${WIDTH}x${HEIGHT}" = "$2" ] || e2e_fail "the window is ${WIDTH}x${HEIGHT}, not $2"
}

e2e_move() {
  xdotool mousemove --sync "$1" "$2"
}

e2e_click() {
  xdotool mousemove --sync "$1" "$2" click 1
}

e2e_shot() {
  import -window root "$1" 2>/dev/null || e2e_fail "no screenshot"
}

e2e_pixel() {
  convert "$1" -format "%[fx:int(255*p{$2,$3}.r)] %[fx:int(255*p{$2,$3}.g)] %[fx:int(255*p{$2,$3}.b)]" info:
}

# True when the colour "r g b" is within tolerance of the expected one.
e2e_near() {
  local got=($1) want=($2) tolerance=${3:-24} i
  for i in 0 1 2; do
    local d=$((got[i] - want[i]))
    [ ${d#-} -le "$tolerance" ] || return 1
  done
}

e2e_stop() {
  kill -TERM "$E2E_PID"
  local status=0
  wait "$E2E_PID" || status=$?
  E2E_PID=
  return $status
}

e2e_lines() {
  local count=$1 pattern=$2 seconds=${3:-60} end=$((SECONDS + ${3:-60}))
  while [ "$(grep -c -E -- "$pattern" "$E2E_LOG")" -lt "$count" ]; do
    kill -0 "$E2E_PID" 2>/dev/null || e2e_fail "the program ended before line $count of /$pattern/"
    [ "$SECONDS" -lt "$end" ] || e2e_fail "no line $count of /$pattern/ within $seconds s"
    e2e_frames 5
  done
}

e2e_after() {
  local pattern=$1 count
  shift
  count=$(grep -c -E -- "$pattern" "$E2E_LOG")
  "$@"
  e2e_lines $((count + 1)) "$pattern" 60
}

e2e_to_main_menu() {
  e2e_start "$1" "$(cat "$(dirname "${BASH_SOURCE[0]}")/options-windowed.xml")"
  e2e_wait '^\[SplashScreens\] splash 0$'
  window=$(e2e_window Tidewater)
  e2e_frames 40
  xdotool mousemove --window "$window" 300 200 click 1
  e2e_wait '^\[MainMenu\] main menu$'
  e2e_frames 40
}

e2e_restart() {
  [ -n "$E2E_XVFB" ] && { kill "$E2E_XVFB" 2>/dev/null || true; wait "$E2E_XVFB" 2>/dev/null || true; }
  E2E_XVFB=
  rm -f "$E2E_DIR/displayfd"
}

e2e_quit() {
  local window=$1 status=0
  xdotool mousemove --window "$window" 144 462 click 1
  e2e_frames 40
  xdotool mousemove --window "$window" 304 372 click 1
  e2e_wait '^\[MainMenu\] quit$'
  timeout 60 tail --pid="$E2E_PID" -f /dev/null || e2e_fail "the program did not end after Quit"
  wait "$E2E_PID" || status=$?
  E2E_PID=
  [ "$status" -eq 0 ] || e2e_fail "exit status $status after Quit"
}

e2e_new_game() {
  local window=$1
  # "New game" (no save yet: straight to the tutorial question), then "Yes".
  xdotool mousemove --window "$window" 144 192 click 1
  e2e_frames 40
  xdotool mousemove --window "$window" 304 372 click 1
  e2e_wait '^\[Logic01010\] enter from $'
  # The greeting, then the notepad's last answer ("Goodbye", the third).
  e2e_wait '^\[Logic01010\] the clerk waits for an answer$' 180
  e2e_frames 20
  xdotool mousemove --window "$window" 120 180 click 1
  e2e_wait '^\[Logic01010\] answered 01010_ANS_FIN$'
}

e2e_play_to_quay() {
  local window=$1
  e2e_new_game "$window"
  e2e_frames 40
  xdotool mousemove --window "$window" 112 161 click 1
  e2e_wait '^\[Logic01020\] enter from 01010$' 120
  e2e_wait '^\[Logic01020\] the film of the quay is over$' 180
}
