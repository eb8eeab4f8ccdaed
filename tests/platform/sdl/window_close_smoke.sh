#!/usr/bin/env bash
# The real window backend (with SDL's dummy drivers): the game starts, runs
# its title screen, and a close request (SIGTERM arrives as one) ends it
# cleanly with status 0 and nothing on stderr.
set -uo pipefail
kolvar=$1
err=$(mktemp)
home=$(mktemp -d)
trap 'rm -rf "$err" "$home"' EXIT
# Settings and hi-score go to a scratch home, not the user's.
XDG_CONFIG_HOME=$home/config XDG_DATA_HOME=$home/data \
  SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy "$kolvar" 2>"$err" &
pid=$!
# The close request is sent once the game catches SIGTERM (SDL's events
# are up), not after a fixed wait: on a loaded machine or a sanitized
# build the start can take seconds.
caught() {
  local mask
  mask=$(awk '/^SigCgt:/ {print $2}' "/proc/$pid/status" 2>/dev/null) || return 1
  [ -n "$mask" ] && (((16#$mask >> 14) & 1))
}
for _ in $(seq 600); do
  caught && break
  if ! kill -0 "$pid" 2>/dev/null; then
    echo "the game ended before the close request:"; cat "$err"; exit 1
  fi
  sleep 0.1
done
if ! caught; then echo "the game never caught SIGTERM in 60 s"; kill -KILL "$pid"; exit 1; fi
sleep 0.5
kill -TERM "$pid"
wait "$pid"
status=$?
if [ "$status" -ne 0 ]; then echo "exit status $status after a close request"; cat "$err"; exit 1; fi
if [ -s "$err" ]; then echo "unexpected output on stderr:"; cat "$err"; exit 1; fi
echo "window opened, closed on request with status 0"
