#!/usr/bin/env bash
# A file the game cannot start without (the main menu's GUI, the main font,
# "texts/Part.lua"), missing or unreadable: the program names it by its full
# path and ends with a non-zero status before opening its window. On a display
# it says so in a message box too, which ends the program once closed.
. "$(dirname "$0")/e2e-lib.sh"
# A copy of the program beside a copy of its content, to take files away.
mkdir -p "$E2E_DIR/game/bin"
ln "$1/kagame" "$E2E_DIR/game/bin/kagame" 2>/dev/null || cp "$1/kagame" "$E2E_DIR/game/bin/kagame"
cp -r "$1/../Resources" "$E2E_DIR/game/Resources"
resources=$(realpath "$E2E_DIR/game/Resources")

ended() {
  timeout 30 tail --pid="$E2E_PID" -f /dev/null || e2e_fail "still running with $1 gone"
  local status=0
  wait "$E2E_PID" || status=$?
  E2E_PID=
  [ "$status" -ne 0 ] || e2e_fail "exit status 0 with $1 gone"
}

while read -r file how; do
  path=$resources/$file
  mv "$path" "$path.away"
  # Unreadable though it exists: a folder in its place.
  [ "$how" = folder ] && mkdir "$path"
  e2e_start "$E2E_DIR/game/bin"
  ended "$file"
  grep -qF "The game cannot start: \"$path\" is missing or cannot be read." "$E2E_LOG" ||
    e2e_fail "$file: no message with its full path"
  grep -q 'SplashScreens' "$E2E_LOG" && e2e_fail "$file: the game started anyway"
  [ "$how" = folder ] && rmdir "$path"
  mv "$path.away" "$path"
  e2e_restart
done <<'CASES'
menus/mainMenu/mainMenu.lua missing
Common/Fonts/ComicRelief.ttf folder
texts/Part.lua missing
CASES

# The message box: shown on the display, and Return closes it.
mv "$resources/menus/mainMenu/mainMenu.lua" "$E2E_DIR/away.lua"
KA_NO_MESSAGE_BOX=0 e2e_start "$E2E_DIR/game/bin"
e2e_wait '^The game cannot start: '
# xdotool cannot match the box's UTF-8 title: the window tree names it.
box_window() { xwininfo -root -children | grep '"The game cannot start"' | awk '{print $1}'; }
export -f box_window
timeout 30 bash -c 'until [ -n "$(box_window)" ]; do sleep 0.05; done' || e2e_fail "no message box"
box=$(box_window)
kill -0 "$E2E_PID" 2>/dev/null || e2e_fail "ended before the box was closed"
xdotool mousemove --window "$box" 20 20 key Return
ended "the main menu's GUI"
grep -qF "\"$resources/menus/mainMenu/mainMenu.lua\"" "$E2E_LOG" || e2e_fail "no full path with the box"
exit 0
