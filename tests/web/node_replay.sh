#!/usr/bin/env bash
# The same rules in WebAssembly: kolvar-headless.js, run by Node, replays
# every recorded input with a trace identical line for line to the recorded
# one, is caught when an input is broken, and takes the same screenshot as
# the native kolvar-headless.
#   node_replay.sh BUILD_WEB_DIR [NATIVE_KOLVAR_HEADLESS]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
replays=$here/../replays
js=$(cd "${1:?usage: node_replay.sh BUILD_WEB_DIR [NATIVE_KOLVAR_HEADLESS]}" && pwd)/kolvar-headless.js
native=${2:-}
[ -f "$js" ] || { echo "$js: missing; build it with scripts/web --build"; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# run_replay.sh wants a program; this one runs the script under Node.
printf '#!/bin/sh\nexec node "%s" "$@"\n' "$js" >"$work/kolvar-headless-node"
chmod +x "$work/kolvar-headless-node"

for input in "$replays"/*.in; do
  "$replays/run_replay.sh" "$work/kolvar-headless-node" "$input" "${input%.in}.jsonl"
done
"$replays/expect_mismatch.sh" "$work/kolvar-headless-node" "$replays/whole_game.in" \
  "$replays/broken/whole_game_late_key.in" "$replays/whole_game.jsonl"

if [ -n "$native" ]; then
  # Stage 1 in play, enemies on screen: the picture every floor draws.
  for program in "$work/kolvar-headless-node" "$native"; do
    "$program" --input "$replays/stage1_walk_scroll_contact.in" --quit-at 9500 \
      --shot "9000:$work/$(basename "$program").png"
  done
  node "$here/png_pixels.js" "$work/kolvar-headless-node.png" "$work/$(basename "$native").png"
  echo "kolvar-headless.js: the shot at 9 s is the native program's, pixel for pixel"
fi
