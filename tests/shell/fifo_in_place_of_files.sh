#!/usr/bin/env bash
# A FIFO where the programs expect a file they read makes nothing wait: each
# gives one line on stderr at once, naming the file. The settings
# (kolvar.conf) and the hi-score game's mark (replays/hiscore-game) are
# refused by the window, which opens and plays with the defaults; a
# recording given to --replay or --watch stops the run before anything
# opens. (SDL's dummy drivers; a close request ends a window game.)
#   fifo_in_place_of_files.sh KOLVAR KOLVAR_HEADLESS
set -uo pipefail
kolvar=$1 headless=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
failures=0

fail() {
  echo "FAIL: $1; stderr:"
  sed 's/^/    /' "$work/err"
  failures=$((failures + 1))
}

# said LINE: stderr is that one line.
said() {
  [ "$(wc -l <"$work/err")" -eq 1 ] && [ "$(cat "$work/err")" = "$1" ]
}

# window_game CASE LINE: a window game in a home of its own, where CASE
# put a FIFO, closed after 2.5 s; it must have played its title (its trace
# says so), ended with status 0 and said LINE alone.
window_game() {
  local case=$1 line=$2
  "$kolvar" --trace "$work/trace.jsonl" 2>"$work/err" &
  local pid=$!
  sleep 2.5
  kill -TERM "$pid"
  # A game stuck on the FIFO would never see the close request.
  local waited=0
  while kill -0 "$pid" 2>/dev/null && [ "$waited" -lt 100 ]; do
    sleep 0.1
    waited=$((waited + 1))
  done
  kill -KILL "$pid" 2>/dev/null && echo "(killed: it did not close on request)" >>"$work/err"
  wait "$pid"
  local status=$?
  if [ "$status" -ne 0 ]; then
    fail "$case: the window game ended with status $status"
  elif ! grep -q '"event":"title"' "$work/trace.jsonl"; then
    fail "$case: the window game never reached its title"
  elif ! said "$line"; then
    fail "$case: expected the one line '$line'"
  else
    echo "ok: $case -> $line"
  fi
}

new_home() {
  rm -rf "$work/home"
  export XDG_CONFIG_HOME=$work/home/config XDG_DATA_HOME=$work/home/data
  mkdir -p "$XDG_CONFIG_HOME/kolvar" "$XDG_DATA_HOME/kolvar/replays"
}

new_home
conf=$XDG_CONFIG_HOME/kolvar/kolvar.conf
mkfifo "$conf"
window_game "a FIFO as kolvar.conf" \
  "kolvar: $conf: is a FIFO, not a file, so it holds no settings; playing with the default settings"

new_home
mark=$XDG_DATA_HOME/kolvar/replays/hiscore-game
mkfifo "$mark"
window_game "a FIFO as replays/hiscore-game" \
  "kolvar: $mark: is a FIFO, not a file, so it names no hi-score game"
ls "$XDG_DATA_HOME"/kolvar/replays/kolvar_*.kvr >/dev/null 2>&1 ||
  fail "a FIFO as replays/hiscore-game: the game was not recorded"

# A recording to replay: refused before the window opens, status 1.
new_home
mkfifo "$work/game.kvr"
for run in "$headless --replay" "$kolvar --headless --replay" "$kolvar --watch"; do
  program=$(basename "${run%% *}")
  timeout 20 $run "$work/game.kvr" >/dev/null 2>"$work/err"
  status=$?
  line="$program: $work/game.kvr: cannot read the recording: a FIFO, not a file"
  if [ "$status" -ne 1 ] || ! said "$line"; then
    fail "a FIFO given to ${run#* }: status $status, expected 1 and the one line '$line'"
  else
    echo "ok: a FIFO given to ${run#* } -> $line"
  fi
done

[ "$failures" -eq 0 ] || { echo "$failures failed"; exit 1; }
echo "every FIFO refused at once, in one line"
