#!/usr/bin/env bash
# Checks that the game reads files one way only: through ReadRegularFile
# (platform/regular_file), which refuses a FIFO, a device or a directory at
# once and checks the size on the opened file before reading it. Under the
# source tree, outside platform/regular_file.{h,cpp}, it reports:
#
#   - a C++ file stream that reads: ifstream, fstream and their wide and
#     basic_ forms (an ofstream only writes and is left alone);
#   - a C stdio open that reads: fopen, fdopen or freopen whose mode, the
#     last string written in the call, holds an 'r' or a '+', or is not
#     written out at all ("w", "wb", "a" and "ab" only write, as the trace,
#     the recordings and the PNG shots are written).
#
# Comments and preprocessor lines (#include <fstream>) do not count. The
# tools under tools/ read their own inputs and are not checked. A file
# handed to a library by name (the soundfont, which fluidsynth reads) is
# not seen here; the code that names it checks it is a regular file first.
#
# Usage: check_file_reads.sh SRC_DIR     (exit 0: clean, 1: a read found)
set -euo pipefail

src=${1:?usage: check_file_reads.sh SRC_DIR}

status=0
while IFS= read -r file; do
  case ${file#"$src"/} in
    platform/regular_file.h | platform/regular_file.cpp) continue ;;
  esac
  awk -v file="$file" '
    function report(line, what) {
      printf "%s:%d: %s; read files through ReadRegularFile (platform/regular_file.h)\n", \
        file, line, what
      found = 1
    }
    # The call collected so far, from fopen( to its semicolon: judge its mode.
    function judge_open(   rest, mode) {
      rest = call
      mode = ""
      while (match(rest, /"([^"\\]|\\.)*"/)) {
        mode = substr(rest, RSTART + 1, RLENGTH - 2)
        rest = substr(rest, RSTART + RLENGTH)
      }
      if (mode == "" && call !~ /""/) {
        report(call_line, opener " with a mode that is not written out")
      } else if (mode ~ /[r+]/) {
        report(call_line, opener " reads (mode \"" mode "\")")
      }
      call = ""
    }
    {
      text = $0
      # Block comments, possibly over several lines.
      if (in_comment) {
        if (!sub(/^.*\*\//, "", text)) next
        in_comment = 0
      }
      gsub(/\/\*.*\*\//, "", text)
      if (sub(/\/\*.*$/, "", text)) in_comment = 1
      sub(/\/\/.*$/, "", text)
      if (text ~ /^[ \t]*#/) next
      if (call != "") {
        call = call " " text
        if (call ~ /;/) judge_open()
        next
      }
      if (match(text, /(^|[^A-Za-z0-9_])(basic_|w)?i?fstream([^A-Za-z0-9_]|$)/)) {
        stream = substr(text, RSTART, RLENGTH)
        gsub(/^[^A-Za-z_]|[^A-Za-z0-9_]$/, "", stream)
        report(FNR, "reads a file with std::" stream)
      }
      if (match(text, /(^|[^A-Za-z0-9_])(fopen|fopen64|fdopen|freopen)[ \t]*\(/)) {
        opener = substr(text, RSTART, RLENGTH)
        gsub(/^[^A-Za-z_]|[ \t]*\($/, "", opener)
        call = substr(text, RSTART + RLENGTH)
        call_line = FNR
        if (call ~ /;/) judge_open()
      }
    }
    END { if (call != "") judge_open(); exit found }
  ' "$file" || status=1
done < <(find "$src" -type f \( -name '*.h' -o -name '*.cpp' \) | sort)

exit $status
