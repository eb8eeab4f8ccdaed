#!/usr/bin/env bash
# The version a player can see is the project's one VERSION everywhere:
# kolvar --version, the manual page, AppStream and the release history.
#   one_version.sh KOLVAR VERSION MANUAL_PAGE METAINFO CHANGELOG
set -euo pipefail
kolvar=$1 version=$2 page=$3 metainfo=$4 changelog=$5
status=0
check() { # what, found
  if [ "$2" != "$version" ]; then
    echo "$1 gives version '$2', the project is $version"
    status=1
  fi
}
check "kolvar --version" "$("$kolvar" --version | sed -n 's/^Kolvar //p')"
check "$page" "$(sed -n '1s/^\.TH [^"]*"Kolvar \([^"]*\)".*/\1/p' "$page")"
check "$metainfo" "$(grep -o '<release version="[^"]*"' "$metainfo" | head -1 | cut -d'"' -f2)"
check "$changelog" "$(sed -n '1s/^kolvar (\([^)]*\)).*/\1/p' "$changelog")"
[ "$status" -eq 0 ] && echo "every place gives version $version"
exit $status
