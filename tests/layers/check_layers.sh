#!/usr/bin/env bash
# Checks that every quoted include under a source tree runs down the floors
# of the game, never up or sideways:
#
#   shell -> title, stage, player, enemies -> pacing -> scene, audio
#         -> video -> core -> platform
#
# A folder may include itself and any folder on a lower floor. Folders on
# the same floor stay out of each other's way, and platform includes nothing
# of the game. A folder missing from the list is an error too, so a new one
# has to be given its floor here.
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
    shell) echo 6 ;;
    *) echo -1 ;;
  esac
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
  while IFS= read -r hit; do
    line=${hit%%:*}
    target=${hit#*:}
    target=${target#*\"}
    target=${target%%\"*}
    to=${target%%/*}
    [ "$to" = "$target" ] && continue # a header beside the file, no folder
    [ "$to" = "$from" ] && continue
    to_floor=$(floor_of "$to")
    if [ "$to_floor" -lt 0 ]; then
      continue # not a folder of the game (generated or third-party)
    fi
    if [ "$from" = platform ] || [ "$to_floor" -ge "$from_floor" ]; then
      echo "$file:$line: $from/ may not include \"$target\" ($to/ is not on a lower floor)"
      status=1
    fi
  done < <(grep -n '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file" || true)
done < <(find "$src" -mindepth 2 -type f \( -name '*.h' -o -name '*.cpp' \) | sort)

exit $status
