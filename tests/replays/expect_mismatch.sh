#!/usr/bin/env bash
# Proves that the replay check can fail: BROKEN.in is GOOD.in with exactly one
# key event moved, and replaying it against GOOD's recorded trace must report
# a difference (not pass, and not fail for some other reason).
#   expect_mismatch.sh KOLVAR GOOD.in BROKEN.in EXPECTED.jsonl
set -uo pipefail
kolvar=$1 good=$2 broken=$3 expected=$4
here=$(dirname "$0")

changed=$(diff "$good" "$broken" | grep -c '^[<>]')
if [ "$changed" -ne 2 ]; then
  echo "$(basename "$broken") should differ from $(basename "$good") in one moved line, not $changed changed lines"
  exit 1
fi
if ! grep -qE '^[0-9]+ (up|down|left|right|z|esc) (down|up)$' <(diff "$good" "$broken" | sed -n 's/^> //p'); then
  echo "the changed line of $(basename "$broken") is not a key event"
  exit 1
fi

output=$("$here/run_replay.sh" "$kolvar" "$broken" "$expected" 2>&1)
status=$?
if [ "$status" -ne 1 ] || ! grep -q "differs from" <<<"$output"; then
  echo "replaying $(basename "$broken") should report a difference from $(basename "$expected")"
  echo "(exit status $status):"
  echo "$output" | head -20
  exit 1
fi
echo "$(basename "$broken"): the moved key event is caught:"
echo "$output" | sed -n '2,6p'
