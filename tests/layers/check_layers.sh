#!/usr/bin/env bash
# Checks that every include of the game's headers under a source tree runs
# down the floors of the game, never up or sideways. Every form counts:
# "shell/x.h", "../shell/x.h" (resolved against the including file's
# folder) and <shell/x.h>.
#
#   shell -> editor -> bots -> flow -> title, stage, player, enemies -> pacing
#         -> scene, audio -> video -> core -> platform
#
# A folder may include itself and any folder on a lower floor. Folders on
# the same floor stay out of each other's way, and platform includes nothing
# of the game. A folder missing from the list is an error too, so a new one
# has to be given its floor here.
#
# Inside platform/, the files directly in it are what every backend shares;
# each backend has a folder of its own (sdl, headless, web) and includes the
# shared files and desktop/ (files in the user's home), never another
# backend. desktop/ includes only the shared files, and the shared files no
# backend. The game includes only the shared files; shell, which picks the
# backend, may include any. SDL and fluidsynth are included in
# platform/sdl/ only.
#
# Usage: check_layers.sh SRC_DIR     (exit 0: clean, 1: wrong includes)
set -euo pipefail

src=${1:?usage: check_layers.sh SRC_DIR}

floor_of() {
  case $1 in
    platform) echo 0 ;;
    core) echo 1 ;;
    video) echo 2 ;;
    scene | audio) echo 3 ;;
    pacing) echo 4 ;;
    title | stage | player | enemies) echo 5 ;;
    flow) echo 6 ;;
    bots) echo 7 ;;
    editor) echo 8 ;;
    shell) echo 9 ;;
    *) echo -1 ;;
  esac
}

# The part of platform/ a path below it belongs to: "shared" for a file
# directly in platform/, else its sub-folder's name.
platform_part() {
  local rest=${1#platform/}
  case $rest in
    */*) echo "${rest%%/*}" ;;
    *) echo shared ;;
  esac
}

known_part() {
  case $1 in
    shared | desktop | sdl | headless | web) return 0 ;;
    *) return 1 ;;
  esac
}

# May platform part $1 include platform part $2?
platform_may_include() {
  [ "$1" = "$2" ] && return 0
  [ "$2" = shared ] && return 0
  case $1 in
    shared | desktop) return 1 ;;
    *) [ "$2" = desktop ] ;;
  esac
}

# A path with its "." and ".." parts resolved: video/../shell/x.h is
# shell/x.h. A path that climbs out of the source tree keeps its "..".
normalize() {
  local part out=()
  local IFS=/
  for part in $1; do
    case $part in
      "" | .) ;;
      ..) if [ ${#out[@]} -gt 0 ] && [ "${out[-1]}" != .. ]; then unset 'out[-1]'; else out+=(..); fi ;;
      *) out+=("$part") ;;
    esac
  done
  echo "${out[*]}"
}

status=0
while IFS= read -r file; do
  rel=${file#"$src"/}
  from=${rel%%/*}
  from_floor=$(floor_of "$from")
  if [ "$from_floor" -lt 0 ]; then
    echo "$file: folder '$from' has no floor in tests/layers/check_layers.sh"
    status=1
    continue
  fi
  from_part=
  if [ "$from" = platform ]; then
    from_part=$(platform_part "$rel")
    if ! known_part "$from_part"; then
      echo "$file: platform/$from_part/ is no backend known to tests/layers/check_layers.sh"
      status=1
      continue
    fi
  fi
  while IFS= read -r hit; do
    line=${hit%%:*}
    written=${hit#*:}
    written=${written#*include}
    written=${written#"${written%%[<\"]*}"} # from the opening < or "
    if [[ $written == "<"* ]]; then
      target=${written#<}
      target=${target%%>*}
      shown="<$target>"
    else
      target=${written#\"}
      target=${target%%\"*}
      shown="\"$target\""
    fi
    # "../flow/play_loop.h" is the file's folder's way to name the same
    # header: resolve it against the including file's folder.
    if [[ $target == ./* || $target == ../* ]]; then
      target=$(normalize "$(dirname "$rel")/$target")
    elif [[ $target == */./* || $target == */../* ]]; then
      target=$(normalize "$target")
    fi
    to=${target%%/*}
    [ "$to" = "$target" ] && continue # a header beside the file, no folder
    # <vector>, <sys/stat.h>, <gtest/gtest.h>: not the game's; but
    # <flow/play_loop.h> is.
    if [[ $shown == "<"* ]] && [ "$to" != platform ] && [ "$(floor_of "$to")" -lt 0 ]; then
      continue
    fi
    if [ "$to" = platform ]; then
      to_part=$(platform_part "$target")
      if [ "$from" = platform ]; then
        if ! platform_may_include "$from_part" "$to_part"; then
          echo "$file:$line: platform/$from_part may not include $shown (another backend)"
          status=1
        fi
      elif [ "$to_part" != shared ] && [ "$from" != shell ]; then
        echo "$file:$line: $from/ may not include $shown (the game knows no backend)"
        status=1
      fi
      continue
    fi
    [ "$to" = "$from" ] && continue
    to_floor=$(floor_of "$to")
    if [ "$to_floor" -lt 0 ]; then
      continue # not a folder of the game (generated or third-party)
    fi
    if [ "$from" = platform ] || [ "$to_floor" -ge "$from_floor" ]; then
      echo "$file:$line: $from/ may not include $shown ($to/ is not on a lower floor)"
      status=1
    fi
  done < <(grep -n '^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]' "$file" || true)
  if [ "$from_part" != sdl ]; then
    while IFS= read -r hit; do
      echo "$file:${hit%%:*}: only platform/sdl/ may include SDL or fluidsynth: ${hit#*:}"
      status=1
    done < <(grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"](SDL2?/|SDL[_.]|fluidsynth)' "$file" || true)
  fi
done < <(find "$src" -mindepth 2 -type f \( -name '*.h' -o -name '*.cpp' \) | sort)

exit $status
