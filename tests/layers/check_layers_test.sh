#!/usr/bin/env bash
# The include check must catch what it is there for: a copy of the sources is
# given one wrong include at a time, and each must be reported by file and
# line with a failing exit status; the untouched copy must pass.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
src=${1:?usage: check_layers_test.sh SRC_DIR}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

expect_clean() {
  if ! "$here/check_layers.sh" "$work/src" >"$work/out"; then
    echo "FAIL: the untouched sources were rejected:"; cat "$work/out"; exit 1
  fi
}

# expect_caught FILE INCLUDE: add the include to FILE and expect a report.
expect_caught() {
  rm -rf "$work/src"; cp -r "$src" "$work/src"
  printf '#include "%s"\n' "$2" >>"$work/src/$1"
  if "$here/check_layers.sh" "$work/src" >"$work/out"; then
    echo "FAIL: $1 including \"$2\" passed the check"; exit 1
  fi
  if ! grep -q "src/$1:[0-9]*: .*\"$2\"" "$work/out"; then
    echo "FAIL: the report does not name $1 and \"$2\":"; cat "$work/out"; exit 1
  fi
}

rm -rf "$work/src"; cp -r "$src" "$work/src"
expect_clean
expect_caught video/blend.h shell/play_loop.h      # up several floors
expect_caught core/game.h video/blit.h             # up one floor
expect_caught stage/start_stage.cpp player/player_step.h  # sideways
expect_caught scene/radar.cpp audio/music.h        # sideways on a lower floor
expect_caught platform/midi_file.cpp core/game.h   # platform knows no game

rm -rf "$work/src"; cp -r "$src" "$work/src"
mkdir "$work/src/newthing"; echo '#pragma once' >"$work/src/newthing/a.h"
if "$here/check_layers.sh" "$work/src" >"$work/out"; then
  echo "FAIL: a folder without a floor passed the check"; exit 1
fi
echo "include check: all wrong includes caught"
