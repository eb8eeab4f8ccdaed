#!/usr/bin/env bash
# Every option that `kolvar --help` lists is described in the manual page.
#   man_page_options.sh KOLVAR MANUAL_PAGE
set -euo pipefail
kolvar=$1 page=$2
options=$("$kolvar" --help | grep -oE -- '--[a-z][a-z-]*' | sort -u)
[ -n "$options" ] || { echo "kolvar --help lists no options"; exit 1; }
missing=0
for option in $options; do
  escaped=${option//-/\\-}
  if ! grep -qF -- "$escaped" "$page"; then
    echo "$page does not describe $option"
    missing=1
  fi
done
if [ "$missing" -ne 0 ]; then exit 1; fi
echo "the manual page describes all $(echo "$options" | wc -l) options"
