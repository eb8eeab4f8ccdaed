#!/usr/bin/env bash
# The editor in a real window (Xvfb, no window manager), drawn on with the
# mouse: at scale 2, and on the whole screen (F11), where the picture is
# scaled by 4 and centred between black bars. The mouse must land on the
# picture's pixel under it both ways; typed keys save the pack.
#   edit_in_window.sh KOLVAR
set -uo pipefail
kolvar=$1
source "$(dirname "$0")/../platform/sdl/xvfb_session.sh" Xvfb xdotool xwininfo

pack=$work/pack
XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data SDL_AUDIODRIVER=dummy \
  "$kolvar" --edit "$pack" --scale 2 2>"$work/err" &
game_pid=$!
window=
for _ in $(seq 100); do
  window=$(xdotool search --name '^Kolvar' 2>/dev/null | head -1)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || fail "no window named Kolvar appeared"
sleep 0.5
xdotool windowfocus --sync "$window"

# A drag from picture pixel ($1, $2) to ($3, $4); $5: the scale, $6 $7:
# where the picture's corner is on the screen.
drag() {
  local s=$5 x0=$6 y0=$7
  xdotool mousemove $((x0 + $1 * s + 1)) $((y0 + $2 * s + 1)) mousedown 1
  sleep 0.2
  xdotool mousemove $((x0 + $3 * s + 1)) $((y0 + $4 * s + 1))
  sleep 0.2
  xdotool mouseup 1
  sleep 0.2
}
click() { drag "$1" "$2" "$1" "$2" "$3" "$4" "$5"; }

# The window's own corner on the screen.
read -r wx wy < <(xwininfo -id "$window" |
  awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF} END {print x, y}')
# Water from the palette (its second row, second place), drawn over row 3
# from column 2 to 6 of the map (16 pixels a cell, below the 14 of the title).
click 204 104 2 "$wx" "$wy"
drag 40 70 104 70 2 "$wx" "$wy"

# On the whole screen: 1280 x 960 at (320, 60). Ice over row 5, 1 to 3.
xdotool key F11
sleep 1.5
click 268 120 4 320 60
drag 24 102 56 102 4 320 60
xdotool key ctrl+s
sleep 0.5

stage=$pack/stage01.txt
for _ in $(seq 30); do [ -f "$stage" ] && break; sleep 0.1; done
[ -f "$stage" ] || fail "Ctrl+S saved nothing"
row() { sed -n "$(($1 + 3))p" "$stage"; }
[ "$(row 3 | cut -c3-7)" = "~~~~~" ] || fail "the windowed drag drew '$(row 3)' on row 3"
[ "$(row 5 | cut -c2-4)" = "iii" ] || fail "the whole screen's drag drew '$(row 5)' on row 5"
[ "$(row 5 | cut -c5)" = "." ] || fail "the whole screen's drag went past column 3: '$(row 5)'"
# A close request (SDL takes SIGTERM as one) ends the editor with status 0.
kill -TERM "$game_pid"
wait "$game_pid"
status=$?
game_pid=
[ "$status" -eq 0 ] || fail "the editor ended with status $status on a close request"
echo "edit_in_window: all passed"
