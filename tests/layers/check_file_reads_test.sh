#!/usr/bin/env bash
# The file-read check must catch what it is there for: a copy of the sources
# is given one planted read at a time, each to be reported by file and line
# with a failing exit status; writes, comments and the reader itself pass.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
src=${1:?usage: check_file_reads_test.sh SRC_DIR}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# plant FILE TEXT: a fresh copy of the sources with TEXT (printf-escaped)
# added at the end of FILE (made when the sources have no such file); prints
# the line the text starts on.
plant() {
  rm -rf "$work/src"; cp -r "$src" "$work/src"
  [ -d "$(dirname "$work/src/$1")" ] || { echo "FAIL: src/ has no folder for $1" >&2; exit 1; }
  touch "$work/src/$1"
  echo $(($(wc -l <"$work/src/$1") + 1))
  printf "$2\n" >>"$work/src/$1"
}

# caught FILE TEXT WORD: the planted text is reported at its line, naming WORD.
caught() {
  local line
  line=$(plant "$1" "$2")
  if "$here/check_file_reads.sh" "$work/src" >"$work/out"; then
    echo "FAIL: $1 with '$2' passed the check"; exit 1
  fi
  if ! grep -qF "src/$1:$line: " "$work/out" || ! grep -qF "$3" "$work/out"; then
    echo "FAIL: the report does not name $1:$line and $3:"; cat "$work/out"; exit 1
  fi
}

# passes FILE TEXT: the planted text is no read.
passes() {
  plant "$1" "$2" >/dev/null
  if ! "$here/check_file_reads.sh" "$work/src" >"$work/out"; then
    echo "FAIL: $1 with '$2' was rejected:"; cat "$work/out"; exit 1
  fi
}

passes stage/stage_files.cpp ''  # the untouched sources
caught stage/planted.cpp 'std::ifstream in("stage.txt");' std::ifstream  # a new file
caught stage/stage_files.cpp 'void F() { std::ifstream in("stage.txt"); }' std::ifstream
caught shell/main.cpp 'std::ifstream in(path, std::ios::binary);' std::ifstream
caught platform/desktop/user_files.cpp 'using std::ifstream;' std::ifstream
caught core/trace.cpp 'std::fstream both(path);' std::fstream
caught video/text.cpp 'std::wifstream wide(path);' std::wifstream
caught platform/web/web_music.cpp 'std::basic_ifstream<char> in(path);' std::basic_ifstream
caught platform/desktop/continue_store.cpp 'FILE* f = std::fopen(path.c_str(), "rb");' 'fopen reads (mode "rb")'
caught shell/recordings.cpp 'FILE* f = fopen("/tmp/x.kvr", "r");' 'fopen reads (mode "r")'
caught platform/headless/headless_platform.cpp 'auto f = std::fopen(path.c_str(),\n                       "r");' 'fopen reads (mode "r")'
caught flow/play_loop.cpp 'FILE* f = std::fopen(path.c_str(), "w+");' 'fopen reads (mode "w+")'
caught platform/desktop/recording_folder.cpp 'FILE* f = fdopen(fd, "rb");' 'fdopen reads (mode "rb")'
caught title/planted_menu.cpp 'freopen(path, "r", stdin);' 'freopen reads (mode "r")'
caught scene/hud.cpp 'FILE* f = std::fopen(path.c_str(), mode);' 'fopen with a mode that is not written out'

# Writes, and words that only look like a read, pass.
passes shell/program.cpp 'FILE* f = std::fopen(path.c_str(), "wb");'
passes shell/program.cpp 'FILE* f = std::fopen("/tmp/trace.jsonl",\n "a");'
passes platform/desktop/png_writer_stored.cpp 'std::ofstream out(path, std::ios::binary);'
passes stage/stage_files.cpp '// std::ifstream would block on a FIFO; fopen(path, "r") too.'
passes stage/stage_files.cpp '/* std::ifstream in(path);\n   std::fopen(path, "rb"); */'
passes stage/stage_files.cpp '#include <fstream>'
passes stage/stage_files.cpp 'int my_fopen(const char*); std::string ifstream_note;'
# The reader itself is the one place that opens files to read them.
passes platform/regular_file.cpp 'static FILE* Open(const char* p) { return std::fopen(p, "rb"); }'
echo "file-read check: every planted read caught"
