#!/usr/bin/env bash
# A newcomer's first minutes in the window, on an X server of its own
# (Xvfb, 1920 x 1080, no window manager), the window at scale 2:
#  - on the first start (no settings file yet) a line of keys stands on the
#    band along the bottom of the picture, past a notice's five seconds;
#  - Return on the title menu starts a game, and the line goes;
#  - the next start shows no line;
#  - watching that game's recording shows its line on the band, which
#    changes when 2 asks for twice the speed.
# With KOLVAR_SHOTS=FOLDER the screen is kept there at each step, to look at.
#   window_first_start.sh KOLVAR
set -uo pipefail
kolvar=$1
source "$(dirname "$0")/xvfb_session.sh" Xvfb xdotool import convert compare

# The 640 x 480 picture lies at 640,300 on the screen; its band is the
# bottom 16 rows. The part of the band right of the play field is black in
# play (the HUD's side), so only a line of the band lights it there.
band=640x16+640+764
band_right=160x16+1040+764
# The HUD's score, top left, white in play (the title's floor there is not).
score=170x24+650+304

start() {
  XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data SDL_AUDIODRIVER=dummy \
    "$kolvar" --scale 2 "$@" 2>"$work/err" &
  game_pid=$!
  local window=
  for _ in $(seq 100); do
    window=$(xdotool search --name '^Kolvar' 2>/dev/null | head -1)
    [ -n "$window" ] && break
    sleep 0.1
  done
  [ -n "$window" ] || fail "no window named Kolvar appeared"
  xdotool windowfocus --sync "$window"
}
stop() {
  kill -TERM "$game_pid"
  wait "$game_pid"
  local status=$?
  game_pid=
  [ "$status" -eq 0 ] || fail "exit status $status after a close request"
}
# The screen; $1 names the copy kept in KOLVAR_SHOTS.
shoot() {
  import -window root "$work/screen.png" 2>/dev/null
  if [ -n "${KOLVAR_SHOTS:-}" ]; then
    mkdir -p "$KOLVAR_SHOTS"
    convert "$work/screen.png" -crop 640x480+640+300 +repage "$KOLVAR_SHOTS/$1.png"
  fi
}
# White pixels of the last shot in the area W x H + X + Y.
white_in() {
  convert "$work/screen.png" -crop "$1" +repage -fill black +opaque white \
    -format '%[fx:round(mean*w*h)]' info:
}
# The white pixels of the band, as a picture of their own ($1).
band_mask() {
  convert "$work/screen.png" -crop "$band" +repage -fill black +opaque white "$1"
}

# The first start: the keys stand on the band through the intro and after.
start
sleep 2
shoot first-start-intro
[ "$(white_in $band)" -gt 300 ] || fail "no line of keys on the first start's band"
sleep 7
shoot first-start-menu
[ "$(white_in $band)" -gt 300 ] || fail "the line of keys went with a notice's time"
[ -f "$work/config/kolvar/kolvar.conf" ] || fail "the settings file was not written"
# Return chooses Start: the game's picture replaces the title, and the line
# goes.
xdotool key Return
for _ in $(seq 80); do
  shoot first-game
  [ "$(white_in $score)" -gt 50 ] && [ "$(white_in $band_right)" -eq 0 ] && break
  sleep 0.1
done
[ "$(white_in $score)" -gt 50 ] || fail "Return did not start a game"
[ "$(white_in $band_right)" -eq 0 ] || fail "the line of keys is still there in the game"
sleep 1
stop
recording=$(ls -t "$work"/data/kolvar/replays/*.kvr 2>/dev/null | head -1)
[ -n "$recording" ] || fail "no recording of the first game"

# The next start: no line on the title menu.
start
sleep 9
shoot second-start-menu
[ "$(white_in $band)" -eq 0 ] || fail "a line on the band at the second start"
stop

# Watching the first game's recording: its line stands on the band, and 2
# changes its speed's part.
start --watch "$recording"
sleep 1
shoot watching
[ "$(white_in $band)" -gt 300 ] || fail "no line while watching"
band_mask "$work/speed1.png"
sleep 5.5
shoot watching-later
band_mask "$work/later.png"
[ "$(compare -metric AE "$work/speed1.png" "$work/later.png" null: 2>&1)" = 0 ] ||
  fail "the watching line did not stand past a notice's time"
xdotool key 2
sleep 0.5
shoot watching-x2
band_mask "$work/speed2.png"
[ "$(white_in $band)" -gt 300 ] || fail "no line while watching at twice the speed"
[ "$(compare -metric AE "$work/speed1.png" "$work/speed2.png" null: 2>&1)" != 0 ] ||
  fail "the watching line did not change with the speed"
stop
echo "keys shown on the first start until Return started a game; none at the next start;" \
  "the watching line stands and follows the speed"
