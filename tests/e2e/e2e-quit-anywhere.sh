#!/usr/bin/env bash
# A player's progress is never lost. The story is played through the mouse
# to the credits, and at every kind of step where a player may stop (a line
# of the greeting, an answer, the key handed over, a pickup, a change of
# place, the film, the case, the phone, the call) the game is left, in turn
# by the satchel's "Main menu", the window's close box, SIGTERM and SIGKILL.
# Each time it comes back through "Continue" (or "New game" when nothing was
# saved yet), the save it continues must hold together (no condition without
# what it stands for), and the player plays on from wherever that save puts
# her: the story must still reach the credits.
#
# The player below is a small planner: it knows the story's steps, learns
# from the save what is already done, and does the next step. A leave point
# is used once, the first time the player reaches it.
. "$(dirname "$0")/e2e-lib.sh"
BIN=$1
# E2E_SHOTS=DIR keeps the console logs of every run.
keep_logs() { [ -n "${E2E_SHOTS:-}" ] && mkdir -p "$E2E_SHOTS" && cp "$E2E_DIR"/*.log "$E2E_SHOTS"/ 2>/dev/null; true; }
trap 'keep_logs; e2e_cleanup' EXIT
faults='Sanitizer|runtime error:|^Lua: |attempt to |stack traceback|Can.t parse|can.t find'

click() {
  xdotool mousemove --window "$window" "$1" "$2"
  e2e_frames 3
  xdotool click 1
}
count() { grep -c -E -- "$1" "$E2E_LOG" || true; }
# Waits for one more console line matching REGEX than there were at $mark.
declare -A mark
remember() { mark[$1]=$(count "$1"); }
next_line() { e2e_lines $((${mark[$1]:-0} + 1)) "$1" "${2:-120}"; }

# The leave points, in the order the story reaches them, each with the way
# the player leaves there. The satchel's "Main menu" is used where the
# player stands and the satchel can be opened.
points=(greeting-start:kill greeting:term answers:close logbook-answer:kill
        key:term goodbye:menu to-logbook:close logbook:kill door:term
        quay:close film-over:menu locked:kill held:menu opening:term
        opened:close phone:term call:kill)
declare -A used
leaves=0

# The state learnt from the save a run continued from.
key=0 logbook=0 film=0 case=0 scene=01010 met=0 answers=0 held=

# Everything a save holds must agree with itself, whenever it was written.
check_save() {
  local save=$SAVE_DIR/save.xml
  [ -s "$save" ] || return 0
  # The satchel's objects are those of its element (a script's global may
  # name an object too).
  local satchel
  satchel=$(sed -n '/<Inventory/,/<\/Inventory>/p' "$save")
  flag() { grep -q "name=\"$1\"" "$save"; }
  has() { grep -q "\"$1\"" <<<"$satchel"; }
  if flag askedLogbook; then
    has BrassKey || flag tideTableRead || e2e_fail "saved: the key was given, but is nowhere: $(cat "$save")"
  fi
  if flag logbookRead; then has Logbook || e2e_fail "saved: the logbook was read, but is not in the satchel"; fi
  if flag tideTableRead; then
    has TideTable || e2e_fail "saved: the case is open, but the tide table is not in the satchel"
    grep -q 5550142 "$save" || e2e_fail "saved: the case is open, but the phone has no number"
    has BrassKey && e2e_fail "saved: the key is both in the case and in the satchel"
  fi
  key=0 logbook=0 film=0 case=0 met=0
  flag askedLogbook && key=1
  flag logbookRead && logbook=1
  flag quayFilmSeen && film=1
  flag tideTableRead && case=1
  flag metAnsel && met=1
  grep -q 'scene="01020"' "$save" && scene=01020 || scene=01010
  return 0
}

# Back into the game: "Continue", or "New game" when nothing was kept yet.
resume() {
  e2e_wait '^\[MainMenu\] main menu$' 120
  check_save
  answers=0 held=
  e2e_frames 40
  remember '\] enter from '
  remember '\[Logic01010\] the clerk greets Mira$'
  remember '\[Logic01010\] the clerk waits for an answer$'
  remember '^\[Logic01020\] the film of the quay is over$'
  if [ -s "$SAVE_DIR/save.xml" ]; then
    echo "continue: scene $scene key=$key logbook=$logbook film=$film case=$case met=$met"
    click 144 246
  else
    echo "new game: nothing was saved"
    scene=01010
    click 144 192
    e2e_frames 40
    click 304 372
  fi
  next_line '\] enter from '
  window=$(e2e_window Tidewater)
}

# Leaves the game the way the point says, then comes back.
leave() {
  local how=$1 status=0
  leaves=$((leaves + 1))
  echo "leave $leaves at $2 by $how"
  grep -E -- "$faults" "$E2E_LOG" | head -n 1 | grep . && e2e_fail "a fault on the console before leaving at $2"
  case $how in
    menu)
      remember '^\[MainMenu\] main menu$'
      click 744 534
      e2e_frames 40
      click 592 28
      next_line '^\[MainMenu\] main menu$'
      resume
      return
      ;;
    close)
      "$BIN/ka-close-window" "$window" || e2e_fail "the close request was not sent"
      timeout 60 tail --pid="$E2E_PID" -f /dev/null || e2e_fail "the window's close box did not end the program"
      wait "$E2E_PID" || status=$?
      [ "$status" -eq 0 ] || e2e_fail "exit status $status after the close box at $2"
      ;;
    term)
      kill -TERM "$E2E_PID"
      timeout 60 tail --pid="$E2E_PID" -f /dev/null || e2e_fail "SIGTERM did not end the program"
      wait "$E2E_PID" || status=$?
      [ "$status" -eq 0 ] || e2e_fail "exit status $status after SIGTERM at $2"
      ;;
    kill)
      kill -KILL "$E2E_PID"
      wait "$E2E_PID" 2>/dev/null || true
      ;;
  esac
  E2E_PID=
  e2e_restart
  cat "$E2E_LOG" >>"$E2E_DIR/earlier-runs.log"
  e2e_start "$BIN"
  # A click through the splashes, as a player in a hurry does.
  e2e_wait '^\[SplashScreens\] splash 0$'
  window=$(e2e_window Tidewater)
  e2e_frames 20
  click 400 300
  resume
}

# At a leave point not used yet: leave there, and say so (status 1), so
# that the planner starts over from what the save kept.
point() {
  local entry name how
  for entry in "${points[@]}"; do
    name=${entry%%:*} how=${entry#*:}
    [ "$name" = "$1" ] || continue
    [ -n "${used[$name]:-}" ] && return 0
    used[$name]=1
    leave "$how" "$name"
    return 1
  done
  return 0
}

e2e_start "$BIN" "$(cat "$(dirname "$0")/options-windowed.xml")"
e2e_wait '^\[SplashScreens\] splash 0$'
window=$(e2e_window Tidewater)
e2e_frames 20
click 400 300
resume

# The planner: one step a turn, each step from what is known. Every wait is
# for a line after the action (the log goes on across a return to the main
# menu, so an older line must not count).
greets='\[Logic01010\] the clerk greets Mira$'
waits='\[Logic01010\] the clerk waits for an answer$'
for turn in $(seq 1 100); do
  if [ "$scene" = 01010 ]; then
    if [ $key = 1 ] && [ $answers = 0 ] && [ -z "${used[goodbye]:-}" ]; then
      # The clerk asked again with the key in the satchel: only "Goodbye."
      # is left to say.
      remember "$waits"
      click 439 198
      next_line "$waits" 180
      answers=1
      e2e_frames 20
    fi
    if [ $key = 0 ] && [ $answers = 0 ]; then
      if [ $met = 0 ]; then
        # The greeting starts by itself on entering: leave in its first
        # line, or in the middle of it.
        next_line "$greets"
        point greeting-start || continue
        e2e_frames 60
        point greeting || continue
      else
        # Greeted before the game was left: a click on the clerk.
        remember '\[Logic01010\] Mira turns to the clerk$'
        remember "$waits"
        click 439 198
        next_line '\[Logic01010\] Mira turns to the clerk$'
      fi
      next_line "$waits" 180
      met=1 answers=1
      e2e_frames 20
      point answers || continue
    fi
    if [ $key = 0 ]; then
      # "May I look at the logbook?", the second of three answers.
      remember '\[Logic01010\] answered 01010_ANS_LOGBOOK$'
      remember '\[Logic01010\] the clerk hands over the key$'
      remember "$waits"
      click 178 132
      next_line '\[Logic01010\] answered 01010_ANS_LOGBOOK$'
      answers=0
      point logbook-answer || continue
      next_line '\[Logic01010\] the clerk hands over the key$'
      next_line "$waits"
      key=1 answers=1
      e2e_frames 20
      point key || continue
    fi
    if [ $answers = 1 ]; then
      # "Goodbye.", the second of the two answers left.
      remember '\[Logic01010\] answered 01010_ANS_FIN$'
      click 100 132
      next_line '\[Logic01010\] answered 01010_ANS_FIN$'
      answers=0
      e2e_frames 20
      point goodbye || continue
    fi
    if [ $logbook = 0 ]; then
      remember '\[Logic01010\] hit ClicLogbook$'
      remember '\[Logic01010\] next: the tide table on the quay$'
      click 556 189
      next_line '\[Logic01010\] hit ClicLogbook$'
      point to-logbook || continue
      next_line '\[Logic01010\] next: the tide table on the quay$' 180
      logbook=1
      e2e_frames 20
      point logbook || continue
    fi
    remember '\[Logic01010\] out to the quay$'
    remember '\[Logic01020\] enter from 01010$'
    click 112 161
    next_line '\[Logic01010\] out to the quay$'
    point door || continue
    next_line '\[Logic01020\] enter from 01010$'
    scene=01020
    continue
  fi

  # The quay.
  if [ $film = 0 ]; then
    point quay || continue
    next_line '^\[Logic01020\] the film of the quay is over$' 180
    film=1
    e2e_frames 40
    point film-over || continue
  fi
  if [ $case = 0 ]; then
    if [ -z "${used[locked]:-}" ]; then
      # Empty hands first, once: Mira finds the case locked.
      remember '\[Logic01020\] the case is locked$'
      remember '\[Logic01020\] the case stays shut'
      click 649 217
      next_line '\[Logic01020\] the case is locked$'
      point locked || continue
      next_line '\[Logic01020\] the case stays shut'
      e2e_frames 20
    fi
    # The key from the satchel: the slots' order changes with each reload,
    # so the first two are tried in turn.
    for slot in 166 255; do
      remember '\[Logic01020\] holding '
      click 744 534
      e2e_frames 40
      click "$slot" 238
      e2e_frames 10
      click 673 135
      next_line '\[Logic01020\] holding '
      held=$(grep -E '\[Logic01020\] holding ' "$E2E_LOG" | tail -n 1 | sed 's/.*holding //')
      [ "$held" = BrassKey ] && break
      e2e_frames 20
    done
    [ "$held" = BrassKey ] || e2e_fail "the key is in neither of the satchel's first two slots"
    e2e_frames 20
    point held || continue
    remember '\[Logic01020\] the key opens the case$'
    remember '\[Logic01020\] the tide table: high water at 21:40$'
    click 649 217
    next_line '\[Logic01020\] the key opens the case$'
    point opening || continue
    next_line '\[Logic01020\] the tide table: high water at 21:40$'
    case=1
    e2e_frames 20
    point opened || continue
  fi
  # The phone, from the satchel, and the call.
  click 744 534
  e2e_frames 40
  click 630 472
  e2e_frames 40
  point phone || continue
  remember '\[Logic01020\] calling 5550142$'
  remember '^\[Credits\] credits$'
  click 352 396
  next_line '\[Logic01020\] calling 5550142$'
  point call || continue
  next_line '^\[Credits\] credits$'
  break
done
grep -q '^\[Credits\] credits$' "$E2E_LOG" || e2e_fail "the story did not reach the credits"
for entry in "${points[@]}"; do
  [ -n "${used[${entry%%:*}]:-}" ] || e2e_fail "the game was never left at ${entry%%:*}"
done
found=$(cat "$E2E_DIR/earlier-runs.log" "$E2E_LOG" 2>/dev/null | grep -E -- "$faults" | head -n 1)
[ -z "$found" ] || e2e_fail "a fault on the console: $found"
echo "left $leaves times, and the story still ended in the credits"
e2e_stop || e2e_fail "exit status $?"
