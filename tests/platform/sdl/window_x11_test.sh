#!/usr/bin/env bash
# The window on a real X server (Xvfb, 1920 x 1080, no window manager):
#  - a notice (here a settings line the game does not know) is drawn on the
#    screen, in a band along the bottom of the picture, and goes after its
#    time;
#  - F11 takes the whole screen, the picture at the largest whole multiple
#    (4: 1280 x 960) centred on black;
#  - F11 again gives the window back its size and place;
#  - a close request ends the game with status 0;
#  - a recording that a full disk (/dev/full) stops is told in the band.
set -uo pipefail
kolvar=$1
source "$(dirname "$0")/xvfb_session.sh" Xvfb xdotool xwininfo import convert

mkdir -p "$work/config/kolvar" "$work/data"
printf 'nonsense = 1\n' >"$work/config/kolvar/kolvar.conf"
XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data SDL_AUDIODRIVER=dummy \
  "$kolvar" --scale 3 2>"$work/err" &
game_pid=$!

window=
for _ in $(seq 100); do
  window=$(xdotool search --name '^Kolvar' 2>/dev/null | head -1)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || fail "no window named Kolvar appeared"

# "X Y W H" of the window on the screen.
geometry() {
  xwininfo -id "$window" |
    awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
         /^ *Width/ {w=$NF} /^ *Height/ {h=$NF} END {print x, y, w, h}'
}
# Waits up to 5 s for the window to have geometry $1.
await_geometry() {
  for _ in $(seq 50); do
    [ "$(geometry)" = "$1" ] && return 0
    sleep 0.1
  done
  fail "$2: the window is at '$(geometry)', not '$1'"
}
# White pixels in the screen's area W x H + X + Y.
white_in() {
  import -window root -crop "$1" +repage "$work/crop.png" 2>/dev/null
  convert "$work/crop.png" -fill black +opaque white -fill white -opaque white \
    -format '%[fx:round(mean*w*h)]' info:
}

await_geometry "480 180 960 720" "opened at scale 3"

# The notice: white text in the band along the bottom of the picture.
notice=$(white_in 960x24+480+876)
[ "$notice" -gt 100 ] || fail "no notice in the band at the bottom of the window ($notice white pixels)"
grep -q "no setting named 'nonsense'" "$work/err" || fail "the notice was not printed"

xdotool windowfocus --sync "$window" key F11
await_geometry "0 0 1920 1080" "after F11"
# The title menu's floor reaches the picture's top corners and its sides:
# wait for it, then the picture's edges are drawn and the bars black.
import_root() { import -window root "$work/screen.png" 2>/dev/null; }
pixel() { convert "$work/screen.png" -format "%[fx:p{$1,$2}.r+p{$1,$2}.g+p{$1,$2}.b > 0 ? 1 : 0]" info:; }
for _ in $(seq 40); do
  import_root
  [ "$(pixel 322 62)$(pixel 1597 940)" = 11 ] && break
  sleep 0.1
done
for corner in "320 60" "1599 60" "320 940" "1599 940"; do
  [ "$(pixel $corner)" = 1 ] || fail "the whole-screen picture does not reach its corner $corner"
done
for outside in "319 60" "1600 60" "320 59" "1599 59" "319 940" "1600 940" "0 0" "1919 1079"; do
  [ "$(pixel $outside)" = 0 ] || fail "not black outside the whole-screen picture at $outside"
done

xdotool key F11
await_geometry "480 180 960 720" "after F11 again"
# The notice has had its five seconds by now: the band is the picture's.
sleep 5
notice=$(white_in 960x24+480+876)
[ "$notice" -eq 0 ] || fail "the notice is still there after its time ($notice white pixels)"

kill -TERM "$game_pid"
wait "$game_pid"
status=$?
game_pid=
[ "$status" -eq 0 ] || fail "exit status $status after a close request"
echo "notice shown; whole screen 1280 x 960 centred on black; window restored; closed with status 0"

# A full disk: the recording that cannot be written is told in the band too,
# not on the terminal alone (settings of its own without a fault, so no
# other notice comes first).
mkdir -p "$work/full/kolvar"
printf 'scale = 3\n' >"$work/full/kolvar/kolvar.conf"
XDG_CONFIG_HOME=$work/full XDG_DATA_HOME=$work/data SDL_AUDIODRIVER=dummy \
  "$kolvar" --record /dev/full 2>"$work/err" &
game_pid=$!
notice=0
for _ in $(seq 50); do
  notice=$(white_in 960x24+480+876)
  [ "$notice" -gt 100 ] && break
  sleep 0.1
done
[ "$notice" -gt 100 ] || fail "a recording stopped by a full disk is not told in the band ($notice white pixels)"
grep -q "/dev/full: cannot write the recording: No space left on device" "$work/err" ||
  fail "the full disk was not printed"
kill -TERM "$game_pid"
wait "$game_pid"
status=$?
game_pid=
[ "$status" -eq 0 ] || fail "exit status $status after a close request"
echo "a recording stopped by a full disk is told in the band"
