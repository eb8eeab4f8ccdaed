#!/usr/bin/env bash
# kolvar-headless needs none of the desktop's window, font or synthesizer
# libraries, while kolvar (the window) does: the same look at both proves
# the check sees them.
#   headless_links.sh KOLVAR-HEADLESS KOLVAR
set -euo pipefail
headless=$1 window=$2
pattern='libSDL2|libSDL2_ttf|libfluidsynth'
if found=$(ldd "$headless" | grep -E "$pattern"); then
  echo "FAIL: $headless links:"; echo "$found"; exit 1
fi
# Read whole before grep -q looks: grep leaving at its first match would
# cut ldd off, and pipefail would take ldd's SIGPIPE for a missing library.
window_libs=$(ldd "$window")
if ! grep -qE 'libSDL2-2' <<<"$window_libs" || ! grep -q libfluidsynth <<<"$window_libs"; then
  echo "FAIL: the check does not see $window's SDL2 and fluidsynth:"; echo "$window_libs"; exit 1
fi
echo "kolvar-headless links $(ldd "$headless" | wc -l) libraries, none of SDL2, SDL2_ttf, fluidsynth"
