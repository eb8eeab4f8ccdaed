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
# INCLUDE is a quoted header's path, or <NAME> for a system header.
expect_caught() {
  rm -rf "$work/src"; cp -r "$src" "$work/src"
  local line="#include \"$2\"" named="\"$2\""
  if [[ $2 == "<"* ]]; then line="#include $2" named="$2"; fi
  printf '%s\n' "$line" >>"$work/src/$1"
  if "$here/check_layers.sh" "$work/src" >"$work/out"; then
    echo "FAIL: $1 including $named passed the check"; exit 1
  fi
  if ! grep -qF "src/$1:" "$work/out" || ! grep -qF "$named" "$work/out"; then
    echo "FAIL: the report does not name $1 and $named:"; cat "$work/out"; exit 1
  fi
}

rm -rf "$work/src"; cp -r "$src" "$work/src"
expect_clean
expect_caught video/blend.h flow/play_loop.h       # up several floors
expect_caught player/player_step.cpp flow/play_loop.h  # up into the game's flow
expect_caught flow/play_loop.cpp bots/solver.h     # the flow knows no bots
expect_caught flow/end_sequences.cpp shell/program.h  # nor the programs
expect_caught bots/solver.cpp shell/check_stages.h
expect_caught core/game.h video/blit.h             # up one floor
expect_caught stage/start_stage.cpp player/player_step.h  # sideways
expect_caught scene/radar.cpp audio/music.h        # sideways on a lower floor
expect_caught platform/midi_file.cpp core/game.h   # platform knows no game
expect_caught platform/sdl/sdl_music.cpp core/game.h  # nor does a backend
expect_caught platform/headless/headless_platform.cpp platform/sdl/sdl_music.h  # backend to backend
expect_caught platform/sdl/sdl_platform.cpp platform/headless/headless_music.h
expect_caught platform/key_state.cpp platform/desktop/user_files.h  # shared to a backend
expect_caught platform/desktop/user_files.cpp platform/sdl/sdl_music.h
expect_caught scene/hud.cpp platform/headless/headless_platform.h  # the game to a backend
expect_caught video/blit.cpp "<SDL.h>"              # SDL outside platform/sdl/
expect_caught platform/headless/headless_music.cpp "<SDL2/SDL_audio.h>"
expect_caught platform/desktop/user_files.cpp "<fluidsynth.h>"
expect_caught platform/scaling.cpp "<SDL_ttf.h>"
# Every form of include names a header: relative to the including file's
# folder, and in angle brackets.
expect_caught video/blend.h ../flow/play_loop.h
expect_caught video/blend.h "<flow/play_loop.h>"
expect_caught scene/radar.cpp ./../audio/music.h
expect_caught core/game.cpp "<video/blit.h>"
expect_caught platform/sdl/sdl_music.cpp ../headless/headless_music.h
expect_caught platform/headless/headless_music.cpp "<platform/sdl/sdl_music.h>"
expect_caught scene/hud.cpp ../platform/desktop/user_files.h

# ...and the forms that name a header on a lower floor, or a system header,
# still pass.
for allowed in "video/blit.cpp ../core/game.h" "scene/hud.cpp <video/blit.h>" \
  "platform/sdl/sdl_music.cpp ../desktop/user_files.h" "core/game.cpp <sys/stat.h>" \
  "video/blit.cpp ../video/../core/surface.h"; do
  rm -rf "$work/src"; cp -r "$src" "$work/src"
  file=${allowed%% *} include=${allowed#* }
  if [[ $include == "<"* ]]; then echo "#include $include"; else echo "#include \"$include\""; fi \
    >>"$work/src/$file"
  if ! "$here/check_layers.sh" "$work/src" >"$work/out"; then
    echo "FAIL: $file including $include was rejected:"; cat "$work/out"; exit 1
  fi
done

rm -rf "$work/src"; cp -r "$src" "$work/src"
mkdir "$work/src/newthing"; echo '#pragma once' >"$work/src/newthing/a.h"
if "$here/check_layers.sh" "$work/src" >"$work/out"; then
  echo "FAIL: a folder without a floor passed the check"; exit 1
fi
rm -rf "$work/src"; cp -r "$src" "$work/src"
mkdir "$work/src/platform/toaster"; echo '#pragma once' >"$work/src/platform/toaster/a.h"
if "$here/check_layers.sh" "$work/src" >"$work/out"; then
  echo "FAIL: a backend folder the check does not know passed it"; exit 1
fi
echo "include check: all wrong includes caught"
