#!/usr/bin/env bash
# Plays a recorded input headless and compares the trace with the recorded
# one, line for line.
#   run_replay.sh KOLVAR INPUT.in EXPECTED.jsonl          compare
#   run_replay.sh KOLVAR INPUT.in EXPECTED.jsonl --record rewrite EXPECTED
# A line "# options: ..." in the input adds those options (e.g. the stage
# pack a replay plays: "# options: --stages deep-halls").
set -euo pipefail
kolvar=$1 input=$2 expected=$3 mode=${4:-}
actual=$(mktemp)
trap 'rm -f "$actual"' EXIT
read -r -a options <<<"$(sed -n 's/^# options: //p' "$input" | head -1)"
"$kolvar" --headless "${options[@]}" --input "$input" --trace "$actual"
if [ "$mode" = --record ]; then
  cp "$actual" "$expected"
  chmod 644 "$expected"
  echo "recorded $expected ($(wc -l <"$expected") lines)"
  exit 0
fi
if ! diff -u "$expected" "$actual" >"$actual.diff"; then
  echo "replay $(basename "$input") differs from $(basename "$expected"):"
  head -40 "$actual.diff"
  rm -f "$actual.diff"
  exit 1
fi
rm -f "$actual.diff"
frames=$(grep -c '"lives"' "$expected" || true)
score=$(grep '"lives"' "$expected" | tail -1 | sed -n 's/.*"score":\([0-9]*\).*/\1/p')
allclear=$(grep -q '"event":"allclear"' "$expected" && echo yes || echo no)
echo "replay $(basename "$input"): $(wc -l <"$expected") trace lines identical" \
  "($frames play frames, last score ${score:-none}, closing screen $allclear)"
