#!/usr/bin/env bash
# Stage packs from the command line: a pack of three stages written here by
# hand plays through `--stages` to its closing screen; a pack with faults is
# refused with one FILE:LINE: error line a fault and status 2 before any
# window opens; --check-stages proves the good pack and fails the bad one,
# and proves the example pack of docs/making-stages.md.
#   stage_packs.sh KOLVAR-HEADLESS KOLVAR
set -uo pipefail
headless=$1 window=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# A stage whose corridor leads through the key chest to the exit door, with
# a loop below so the door can be reached without the key: holding Right
# from the start door clears it. $1: title, $2: the wall character.
corridor_stage() {
  local dark=________________________________
  echo "title: $1"
  echo "map:"
  local side=_____________________ # 21 columns of darkness
  printf '%s\n' "${2}${2}${2}${2}${2}${2}${2}${2}${2}${2}${2}$side" \
    "S....K...E${2}$side" \
    "${2}.${2}${2}${2}${2}${2}${2}${2}.${2}$side" \
    "${2}.........${2}$side" \
    "${2}${2}${2}${2}${2}${2}${2}${2}${2}${2}${2}$side"
  for _ in $(seq 27); do echo "$dark"; done
}

good=$work/three
mkdir "$good"
printf 'name: Three Corridors\nauthor: the tests\n' >"$good/pack.txt"
corridor_stage "First Corridor" "#" >"$good/stage01.txt"
corridor_stage "Second Corridor" "D" >"$good/stage02.txt"
corridor_stage "Third Corridor" "M" >"$good/stage03.txt"

# Z answers every prompt (title, each stage clear, the closing screen);
# Right is held the whole game.
{
  echo "0 right down"
  for ms in $(seq 100 200 59900); do echo "$ms z down"; echo "$((ms + 100)) z up"; done
  echo "60000 close"
} >"$work/play.in"
if ! "$headless" --stages "$good" --input "$work/play.in" --trace "$work/trace.jsonl" \
  2>"$work/err"; then
  fail "the three-stage pack did not play:"; cat "$work/err"
fi
clears=$(grep -c '"event":"clear"' "$work/trace.jsonl")
misses=$(grep -c '"event":"miss"' "$work/trace.jsonl")
stages=$(grep -o '"event":"stage","stage":[0-9]*' "$work/trace.jsonl" | tr '\n' ' ')
if [ "$clears" -ne 3 ] || [ "$misses" -ne 0 ] || ! grep -q '"event":"allclear"' "$work/trace.jsonl"; then
  fail "expected 3 clears, no miss and the closing screen; got $clears clears, $misses misses"
fi
# The last stage leads to the closing screen, not to a stage 4.
if grep -q '"stage":4' "$work/trace.jsonl"; then fail "the game went on to a stage 4"; fi
echo "three-stage pack: $clears clears ($stages), closing screen reached"

# The pack found by its name among the user's packs.
mkdir -p "$work/home/kolvar/stages"
cp -r "$good" "$work/home/kolvar/stages/three"
if ! XDG_DATA_HOME=$work/home "$headless" --stages three --input "$work/play.in" \
  --trace "$work/named.jsonl" 2>"$work/err" || ! cmp -s "$work/trace.jsonl" "$work/named.jsonl"; then
  fail "the pack named 'three' in XDG_DATA_HOME did not play as its folder did"
fi

# A pack with a wall missing around the map, an unreachable chest and a bad
# pack.txt: one line each, status 2, and the window never opened (without a
# display, opening it would fail with status 1).
bad=$work/bad
mkdir "$bad"
printf 'name: Broken\nauthr: the tests\n' >"$bad/pack.txt"
# Line 6 is row 3: its left wall taken away. Line 8 is row 5, in the
# darkness: the chest moved there, walled off from every floor.
corridor_stage "Open Wall" "#" | sed '6s/^#/./' >"$bad/stage01.txt"
corridor_stage "Walled Chest" "#" | sed '4s/K/./; 8s/^_____/_____K/; 8s/_$//' >"$bad/stage02.txt"
expected="$bad/pack.txt:2: error: unknown key 'authr' (expected name, author or description)
$bad/pack.txt:2: error: no 'author:' line
$bad/stage01.txt:6: error: floor at column 0 row 3 touches the map's outer edge; close it with a wall
$bad/stage02.txt:8: error: the key chest at column 5 row 5 cannot be reached from the start door"
for program in "$headless" "$window"; do
  env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER SDL_AUDIODRIVER=dummy \
    "$program" --stages "$bad" >"$work/out" 2>"$work/err"
  status=$?
  faults=$(grep ': error: ' "$work/err")
  if [ "$status" -ne 2 ] || [ "$faults" != "$expected" ]; then
    fail "$(basename "$program") --stages BAD: status $status, expected 2 and the lines"
    echo "$expected" | sed 's/^/  expected: /'
    sed 's/^/  got:      /' "$work/err"
  fi
done
echo "faulty pack refused: $(echo "$expected" | wc -l) faults listed, status 2"

# --check-stages: the good pack is proved and, without enemies, cleared by
# every casual run; the bad one fails. Off a terminal no progress line is
# written.
if ! "$headless" --check-stages "$good" --runs 5 >"$work/check" 2>&1 ||
  [ "$(grep -c 'cleared in .* casual players clear it 100 % of the time (5 runs; 95 % interval 57-100 %), slow ones 100 %, practised ones 100 %$' \
    "$work/check")" -ne 3 ] || grep -q $'\r' "$work/check"; then
  fail "--check-stages did not prove and rate the three-stage pack:"; cat "$work/check"
fi
if "$headless" --check-stages "$bad" >"$work/check" 2>&1; then
  fail "--check-stages passed a pack with faults"
fi
# With too small a budget for the search, a player's clear, played again on
# the headless runner, proves the stage.
if ! "$headless" --check-stages "$good" --budget 0.001 --runs 1 >"$work/check" 2>&1 ||
  [ "$(grep -c 'cleared in .* by a slow player.s run (the search found none' "$work/check")" -ne 3 ]; then
  fail "--check-stages did not take the players' clears:"; cat "$work/check"
fi

# The walk-through's pack (docs/making-stages.md), its pack.txt and stage as
# the page shows them, with the 20 rows of darkness it tells the reader to
# add: proved, as the page says.
guide=$(dirname "$0")/../../docs/making-stages.md
mkdir "$work/my-halls"
awk '/^```/ { inside = !inside; next } inside && /^; Lines starting with/ { take = 1 }
     inside && take { print } !inside { take = 0 }' "$guide" >"$work/my-halls/pack.txt"
awk '/^```/ { inside = !inside; next } inside && /^title: The First Hall/ { take = 1 }
     inside && take { print } !inside { take = 0 }' "$guide" >"$work/my-halls/stage01.txt"
for _ in $(seq 20); do echo ________________________________; done >>"$work/my-halls/stage01.txt"
if ! "$headless" --check-stages "$work/my-halls" >"$work/check" 2>&1 ||
  ! grep -q '"The First Hall" cleared in' "$work/check"; then
  fail "the example pack of docs/making-stages.md is not proved:"; cat "$work/check"
fi

# A den of hunters round the chest: no way found, answered within the
# budget given (and the start-up's fraction of a second).
den=$work/den
mkdir "$den"
printf 'name: Den\nauthor: the tests\n' >"$den/pack.txt"
{
  echo "title: The Demons' Den"
  echo "map:"
  printf '%s______\n' '#############E############' 'S..................#######' \
    '##################.#######' '##################.#9.9.9#' '##################.#.....#' \
    '##################.#.9.9.#' '##################.......K' '##################.#...9.#' \
    '##################.#.....#' '##################.#9.9.9#' '##################.#######' \
    '##########################'
  for _ in $(seq 20); do echo "________________________________"; done
} >"$den/stage01.txt"
TIMEFORMAT=%U
spent=$({ time "$headless" --check-stages "$den" --budget 1 --runs 0 >"$work/check" 2>&1; } 2>&1)
status=$?
if [ "$status" -ne 1 ] || ! grep -q 'no way found within the budget of 1 s' "$work/check" ||
  ! awk -v s="$spent" 'BEGIN { exit !(s <= 2) }'; then
  fail "--check-stages on the den: status $status, $spent s of processor time:"; cat "$work/check"
fi
echo "den: answered in $spent s of processor time: $(grep -o 'no way found.*' "$work/check")"

if [ "$failures" -ne 0 ]; then exit 1; fi
echo "stage packs: all checks passed"
