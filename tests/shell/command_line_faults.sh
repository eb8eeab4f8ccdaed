#!/usr/bin/env bash
# The command line reports every file it was given but could not read or
# write, and fails; files that are no files make nothing wait; the data
# folder's faults are all named before the game starts; the window backend refuses to run where nobody can see it,
# and kolvar-headless refuses the window's options; -h is --help.
#   command_line_faults.sh KOLVAR|KOLVAR-HEADLESS
set -uo pipefail
kolvar=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# expect STATUS MESSAGE-PART -- COMMAND...
expect() {
  local status=$1 message=$2
  shift 3
  local got
  timeout 60 "$@" >"$work/out" 2>"$work/err"
  got=$?
  if [ "$got" -ne "$status" ] || ! grep -qF -- "$message" "$work/err"; then
    echo "FAIL: $*"
    echo "  expected status $status and '$message' on stderr; got status $got:"
    sed 's/^/    /' "$work/err" | head -5
    failures=$((failures + 1))
  else
    echo "ok: $* -> $got, $(head -1 "$work/err")"
  fi
}

echo "0 close" >"$work/close.in"
# The editor opens a pack; it plays none, and a bare name is a folder's
# name, never a path in disguise.
expect 2 "--edit opens the editor" -- "$kolvar" --headless --edit mine --stages kolvar
expect 1 "'my pack' is no pack's name" -- \
  env XDG_DATA_HOME="$work/data" "$kolvar" --headless --edit "my pack" --input "$work/close.in"
expect 1 "no folder to keep stage packs in" -- \
  env -u XDG_DATA_HOME -u HOME "$kolvar" --headless --edit --input "$work/close.in"
expect 2 "$work: cannot read the input script: Is a directory" -- \
  "$kolvar" --headless --input "$work"
expect 1 "/dev/full: cannot write the trace: No space left on device" -- \
  "$kolvar" --headless --quit-at 3000 --trace /dev/full
# A shot due after the quit time is written at the end; failing then fails
# the run as it would during it.
expect 1 "$work/no/such/dir/late.png" -- \
  "$kolvar" --headless --quit-at 100 --shot "5000:$work/no/such/dir/late.png"
expect 1 "$work/no/such/dir/early.png" -- \
  "$kolvar" --headless --quit-at 100 --shot "50:$work/no/such/dir/early.png"
# Nothing the game reads makes it wait: a FIFO where the hi-score or a piece
# of music should be is refused at once, with one message, and play goes on.
mkfifo "$work/hiscore.fifo"
expect 0 "$work/hiscore.fifo: is a FIFO, not a file; the hi-score is not kept" -- \
  "$kolvar" --headless --input "$work/close.in" --hiscore-file "$work/hiscore.fifo"
data=$(dirname "$kolvar")
mkdir "$work/root"
cp -r "$data/DATA" "$data/MIDI" "$work/root/"
rm "$work/root/MIDI/title.mid"
mkfifo "$work/root/MIDI/title.mid"
expect 0 "$work/root/MIDI/title.mid: a FIFO, not a file; playing on without it" -- \
  "$kolvar" --headless --quit-at 6000 --root "$work/root"
# Every stage file that would stop a game part-way is named before it starts.
head -c 1000 "$data/DATA/Stage05.MAP" >"$work/root/DATA/Stage05.MAP"
rm "$work/root/DATA/Stage02.IVM"
expect 1 "2 stage files in $work/root cannot be played:" -- \
  "$kolvar" --headless --quit-at 100 --root "$work/root"
expect 1 "$work/root/DATA/Stage05.MAP: stage file is 1000 bytes long" -- \
  "$kolvar" --headless --quit-at 100 --root "$work/root"
expect 1 "--root $work/nowhere: no such folder" -- \
  "$kolvar" --headless --quit-at 100 --root "$work/nowhere"
# A script that runs out without a close line ends the run there.
echo "100 z down" >"$work/no_close.in"
expect 0 "$work/no_close.in: the input script has no close line: the run ends at 100 ms" -- \
  "$kolvar" --headless --input "$work/no_close.in" --trace "$work/no_close.jsonl"
if ! grep -q '"t":100,"event":"close"' "$work/no_close.jsonl"; then
  echo "FAIL: the run out of script did not close at 100 ms:"; tail -2 "$work/no_close.jsonl"
  failures=$((failures + 1))
fi

# The proof's budget and the casual runs are numbers, and only for
# --check-stages.
expect 2 "--budget expects seconds, more than 0 and at most 86400, not '0'" -- \
  "$kolvar" --check-stages deep-halls --budget 0
expect 2 "--runs expects a whole number, not 'many'" -- \
  "$kolvar" --check-stages deep-halls --runs many
expect 2 "--budget and --runs go with --check-stages" -- "$kolvar" --headless --runs 5

if [ "$(basename "$kolvar")" = kolvar-headless ]; then
  expect 2 "--scale is an option of the window; use kolvar" -- "$kolvar" --scale 2
  expect 2 "--fullscreen is an option of the window; use kolvar" -- "$kolvar" --headless --fullscreen
else
  expect 1 "no display to open the window on" -- \
    env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER SDL_AUDIODRIVER=dummy "$kolvar"
fi

# -h is --help.
if ! "$kolvar" -h >"$work/short_help" 2>&1 || ! "$kolvar" --help >"$work/help" ||
  ! grep -q '^Usage:' "$work/short_help" || ! cmp -s "$work/short_help" "$work/help"; then
  echo "FAIL: -h does not print what --help prints:"; head -3 "$work/short_help"
  failures=$((failures + 1))
fi

# And the good cases still pass quietly.
"$kolvar" --headless --input "$work/close.in" --trace "$work/trace.jsonl" \
  --shot "5000:$work/late.png" 2>"$work/err"
status=$?
if [ "$status" -ne 0 ] || [ -s "$work/err" ] || [ ! -s "$work/late.png" ] ||
  ! grep -q '"event":"close"' "$work/trace.jsonl"; then
  echo "FAIL: a good run: status $status"; cat "$work/err"; failures=$((failures + 1))
fi

[ "$failures" -eq 0 ] || { echo "$failures failed"; exit 1; }
echo "every fault reported with a failing status"
