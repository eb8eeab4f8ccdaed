#!/usr/bin/env bash
# scripts/play as the README's first command: it says the first build takes
# minutes (and only then), and hands the game every argument as it is, from
# the folder it was started in, so relative paths mean what they say.
# The build is a stand-in here: setup does nothing, and build/kolvar prints
# its folder and arguments.
#   play_script.sh SOURCE_DIR
set -uo pipefail
source_dir=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*"
  exit 1
}

mkdir -p "$work/tree/scripts" "$work/elsewhere"
cp "$source_dir/scripts/play" "$work/tree/scripts/play"
printf '#!/bin/sh\nmkdir -p "$(dirname "$0")/../build"\ncp "$(dirname "$0")/fake-kolvar" "$(dirname "$0")/../build/kolvar"\n' \
  >"$work/tree/scripts/setup"
printf '#!/bin/sh\npwd\nfor a in "$@"; do echo "[$a]"; done\n' >"$work/tree/scripts/fake-kolvar"
chmod +x "$work/tree/scripts/"*

cd "$work/elsewhere" || fail "no folder to start from"
first=$("$work/tree/scripts/play" --stages ./my\ halls -h 2>&1)
again=$("$work/tree/scripts/play" --watch x.kvr 2>&1)
expected_first="Building the game: the first build takes a few minutes. Afterwards $work/tree/build/kolvar starts it without building (with the same options).
$work/elsewhere
[--stages]
[./my halls]
[-h]"
[ "$first" = "$expected_first" ] || fail "the first run printed:
$first
instead of:
$expected_first"
[ "$again" = "$work/elsewhere
[--watch]
[x.kvr]" ] || fail "a later run printed:
$again"
echo "scripts/play: the first build announced once; arguments and the folder kept"
