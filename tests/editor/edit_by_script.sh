#!/usr/bin/env bash
# The stage editor driven as a player would, by the headless runner's input
# script: keys pick from the palette and move the cursor, the mouse clicks
# the palette, the overview and the map, a finger places an enemy; undo
# and redo, the title typed, the pack saved, a play-test and back; the
# stage proved (the Watch button lights up), its clear watched through the
# real rules, a change that makes it unproven and the undo that makes it
# proved again. The saved pack must pass --check-stages and play with
# --stages. Then the
# game's own pack, opened by name, is saved as the player's copy and never
# written itself.
#   edit_by_script.sh KOLVAR-HEADLESS
set -uo pipefail
headless=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_DATA_HOME=$work/data
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# Lines at a frame and a half apart, each seen by its own frame.
t=100
at() {
  echo "$t $*"
  t=$((t + 60))
}
tap() { # a key pressed and let go
  echo "$t $1 down"
  echo "$((t + 20)) $1 up"
  t=$((t + 60))
}
click() { # $1: pointer or touch, then X Y
  echo "$t $1 $2 $3 down"
  echo "$((t + 10)) $1 $2 $3 up"
  t=$((t + 60))
}

pack=$work/scripted
{
  # The key chest by its key, at column 13 row 11 by the arrows.
  at type K
  for _ in $(seq 12); do tap right; done
  for _ in $(seq 10); do tap down; done
  at press return
  # The exit door by the mouse: the palette, the overview (the view moves
  # to the right-hand side), the map's cell for column 25 row 5.
  click pointer 268 88
  click pointer 231 25
  click pointer 88 102
  # A slime by touch, at column 15 row 8.
  click touch 268 136
  click touch 211 31
  click touch 88 102
  # Undo and redo leave it as it was.
  at type z
  at type y
  # The title, typed over the new stage's.
  at type t
  for _ in $(seq 7); do at press backspace; done
  at type Scripted Hall
  at press return
  at type w
  # A play-test: the stage from its door, then Esc back to the editor.
  at type v
  t=$((t + 5000))
  tap esc
  # Proved and rated (the headless runner waits for each answer), then the
  # clear watched to its end.
  at type h
  proved=$t
  at type m
  t=$((t + 25000))
  # Water on the hall's floor at column 22 row 5 changes the stage; undo
  # brings back the one proved.
  for _ in $(seq 3); do tap left; done
  at type "~"
  at press return
  changed=$t
  at type z
  undone=$t
  at close
} >"$work/edit.in"
"$headless" --edit "$pack" --input "$work/edit.in" --trace "$work/edit.jsonl" \
  --shot 2000:"$work/editing.png" --shot "$proved:$work/proved.png" \
  --shot "$changed:$work/changed.png" --shot "$undone:$work/undone.png" >"$work/edit.out" 2>&1 ||
  fail "the editor's run failed: $(cat "$work/edit.out")"

stage=$pack/stage01.txt
[ -f "$pack/pack.txt" ] && [ -f "$stage" ] || fail "the pack was not saved: $(ls -a "$pack" 2>&1)"
grep -qx 'title: Scripted Hall' "$stage" || fail "the title is not the one typed: $(head -1 "$stage")"
# The map's row R is the file's line R + 3 (title and map: before it).
cell() { sed -n "$(($2 + 3))p" "$stage" | cut -c$(($1 + 1)); }
[ "$(cell 13 11)" = K ] || fail "no key chest at column 13 row 11: '$(cell 13 11)'"
[ "$(cell 25 5)" = E ] || fail "no exit door at column 25 row 5: '$(cell 25 5)'"
[ "$(cell 15 8)" = 1 ] || fail "no slime at column 15 row 8: '$(cell 15 8)'"
grep -q '"event":"stage"' "$work/edit.jsonl" || fail "the play-test started no stage"
# The key held and the stage cleared: only the watched clear gets there.
grep -q '"flags":\[-1,-1,' "$work/edit.jsonl" || fail "the watched clear never cleared the stage"
# The Watch button (right of the stage buttons' last row, below its word)
# is lit while the stage as it is has a clear to watch.
watch_button() { convert "$1" -format '%[hex:p{300,77}]' info: 2>&1 | cut -c1-6; }
for shot in proved:404060 changed:303040 undone:404060; do
  [ "$(watch_button "$work/${shot%%:*}.png")" = "${shot#*:}" ] ||
    fail "the Watch button in $shot.png is $(watch_button "$work/${shot%%:*}.png")"
done
[ -s "$work/editing.png" ] || fail "no screenshot of the editor"

"$headless" --check-stages "$pack" >"$work/check.out" 2>&1 ||
  fail "--check-stages refused the saved pack: $(cat "$work/check.out")"
"$headless" --stages "$pack" --quit-at 3000 >"$work/play.out" 2>&1 ||
  fail "--stages did not play the saved pack: $(cat "$work/play.out")"

# The game's own pack: opened by name, edited, saved as the player's copy.
root=$(dirname "$headless")
before=$(cat "$root"/stages/kolvar/stage01.txt)
printf '100 type ~\n160 press return\n220 type w\n280 close\n' >"$work/copy.in"
"$headless" --edit kolvar --input "$work/copy.in" >"$work/copy.out" 2>&1 ||
  fail "editing the game's own pack failed: $(cat "$work/copy.out")"
copy=$XDG_DATA_HOME/kolvar/stages/kolvar-copy
[ "$(cat "$root"/stages/kolvar/stage01.txt)" = "$before" ] || fail "the game's own pack was written"
[ -f "$copy/stage16.txt" ] || fail "no copy with all sixteen stages: $(ls "$copy" 2>&1)"
grep -q '~' "$copy/stage01.txt" || fail "the copy's first stage lacks the water drawn"

[ "$failures" -eq 0 ] && echo "edit_by_script: all passed"
exit $((failures > 0))
