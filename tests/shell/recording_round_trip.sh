#!/usr/bin/env bash
# The programs end to end (SDL's dummy drivers): a window game recorded to
# the recordings folder while its trace is written, then replayed by
# kolvar-headless and watched in the window; all three traces are the same.
# The folder keeps the newest 20 recordings and the hi-score game's. A
# recording of other stages, or of a stage pack replayed without it, is
# refused.
#   recording_round_trip.sh KOLVAR KOLVAR_HEADLESS
set -uo pipefail
kolvar=$1 headless=$2
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
export XDG_CONFIG_HOME=$home/config XDG_DATA_HOME=$home/data
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
replays=$home/data/kolvar/replays
mkdir -p "$replays"
# 25 older recordings; the oldest set the kept hi-score.
for n in $(seq 10 34); do : >"$replays/kolvar_2020-01-01_00-00-$n.kvr"; done
echo kolvar_2020-01-01_00-00-10.kvr >"$replays/hiscore-game"

"$kolvar" --trace "$home/live.jsonl" 2>"$home/err" &
pid=$!
sleep 2.5
kill -TERM "$pid"
wait "$pid" || { echo "the window game failed:"; cat "$home/err"; exit 1; }
new=$(ls "$replays" | grep -v '^kolvar_2020' | grep '\.kvr$')
[ "$(echo "$new" | wc -l)" -eq 1 ] || { echo "expected one new recording, found: $new"; exit 1; }
kept=$(ls "$replays"/kolvar_*.kvr | wc -l)
[ "$kept" -eq 21 ] || { echo "expected 20 recordings and the hi-score game's, found $kept"; exit 1; }
[ -e "$replays/kolvar_2020-01-01_00-00-10.kvr" ] || { echo "the hi-score game's recording was removed"; exit 1; }
[ ! -e "$replays/kolvar_2020-01-01_00-00-15.kvr" ] || { echo "an old recording was kept"; exit 1; }

"$headless" --replay "$replays/$new" --trace "$home/replayed.jsonl" || exit 1
"$kolvar" --watch "$replays/$new" --trace "$home/watched.jsonl" || exit 1
grep -q '"event":"title"' "$home/live.jsonl" || { echo "the window game's trace holds no title"; exit 1; }
for copy in replayed watched; do
  if ! cmp -s "$home/live.jsonl" "$home/$copy.jsonl"; then
    echo "the $copy trace differs from the window game's:"
    diff "$home/live.jsonl" "$home/$copy.jsonl" | head -20
    exit 1
  fi
done
[ "$(ls "$replays"/kolvar_*.kvr | wc -l)" -eq 21 ] || { echo "watching made a recording"; exit 1; }

# Other stages: the same data with one enemy placement changed.
root=$(dirname "$kolvar")
cp -r "$root/DATA" "$root/MIDI" "$home/"
printf '\x01' | dd of="$home/DATA/Stage07.IVM" bs=1 seek=1000 conv=notrunc status=none
"$headless" --root "$home" --replay "$replays/$new" 2>"$home/err"
status=$?
refusal="$replays/$new: recorded with other stages (DATA/Stage07.IVM differs); it replays only with the stages it was played on"
if [ "$status" -ne 1 ] || [ "$(cat "$home/err")" != "kolvar-headless: $refusal" ]; then
  echo "a recording of other stages: status $status, said:"; cat "$home/err"; exit 1
fi
# A stage pack's game names the pack: it replays with the same --stages and
# is refused without.
"$kolvar" --stages deep-halls --record "$home/pack.kvr" --trace "$home/pack.jsonl" 2>"$home/err" &
pid=$!
sleep 2.5
kill -TERM "$pid"
wait "$pid" || { echo "the window game of a pack failed:"; cat "$home/err"; exit 1; }
"$headless" --stages deep-halls --replay "$home/pack.kvr" --trace "$home/pack-replayed.jsonl" || exit 1
cmp -s "$home/pack.jsonl" "$home/pack-replayed.jsonl" || { echo "the pack game's replay differs"; exit 1; }
"$headless" --replay "$home/pack.kvr" 2>"$home/err"
status=$?
refusal="$home/pack.kvr: recorded with the stage pack 'Kolvar: The Deep Halls' (folder deep-halls), replayed with the game's own stages: stage 1's map differs; it replays only with the stages it was played on"
if [ "$status" -ne 1 ] || [ "$(cat "$home/err")" != "kolvar-headless: $refusal" ]; then
  echo "a pack's recording replayed without the pack: status $status, said:"; cat "$home/err"; exit 1
fi
echo "window game of $(wc -l <"$home/live.jsonl") trace lines replayed and watched identically;" \
  "20 recordings and the hi-score game's kept"
