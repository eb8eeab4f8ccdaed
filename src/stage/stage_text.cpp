#include "stage/stage_text.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <optional>

#include "stage/stage_tiles.h"

namespace stagec {
namespace {

std::string_view trim(std::string_view s) {
  const auto first = s.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const auto last = s.find_last_not_of(" \t");
  return s.substr(first, last - first + 1);
}

std::vector<std::string_view> split_words(std::string_view s) {
  std::vector<std::string_view> words;
  std::size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    std::size_t j = i;
    while (j < s.size() && s[j] != ' ' && s[j] != '\t') ++j;
    if (j > i) words.push_back(s.substr(i, j - i));
    i = j;
  }
  return words;
}

std::optional<int> parse_int(std::string_view s) {
  int value = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (ec != std::errc{} || end != s.data() + s.size()) return std::nullopt;
  return value;
}

std::string describe_char(char c) {
  if (c == ' ') return "' ' (space)";
  if (c == '\t') return "a tab";
  const auto u = static_cast<unsigned char>(c);
  if (u < 0x20 || u >= 0x7f) {
    static constexpr char kHex[] = "0123456789abcdef";
    return std::string("byte 0x") + kHex[u >> 4] + kHex[u & 15];
  }
  return std::string("'") + c + "'";
}

bool is_enemy_char(char c) {
  return c >= '1' && c <= '0' + kEnemyKindCount;
}

// "1..9", the kinds an enemy may be given.
std::string kind_range() {
  return "1.." + std::to_string(kEnemyKindCount);
}

// Splits the text into lines, dropping a '\r' before each '\n'.
std::vector<std::string_view> split_lines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    auto end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    auto line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

class TextReader {
 public:
  explicit TextReader(std::vector<Diagnostic>& errors) : errors_(errors) {}

  StageSource run(std::string_view text) {
    // An editor's UTF-8 byte-order mark is no part of the first line.
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
    const auto lines = split_lines(text);
    std::size_t i = 0;
    for (; i < lines.size() && !stage_.map_line; ++i)
      parse_header_line(lines[i], static_cast<int>(i) + 1);
    if (!stage_.map_line) {
      error(static_cast<int>(lines.size()) + (lines.empty() ? 1 : 0),
            "no 'map:' line; the 32 grid rows follow a line reading 'map:'");
    }
    if (stage_.title.empty() && title_line_ == 0) error(1, "no 'title:' line");
    if (stage_.map_line) parse_grid(lines, i);
    return std::move(stage_);
  }

 private:
  void error(int line, std::string message) { errors_.push_back({line, std::move(message)}); }

  void parse_header_line(std::string_view raw, int line) {
    const auto text = trim(raw);
    if (text.empty() || text.front() == ';') return;
    const auto colon = text.find(':');
    if (colon == std::string_view::npos) {
      error(line,
            "expected 'key: value' (title, legend, enemy or map), got '" + std::string(text) + "'");
      return;
    }
    const auto key = trim(text.substr(0, colon));
    const auto value = trim(text.substr(colon + 1));
    if (key == "title") {
      parse_title(value, line);
    } else if (key == "legend") {
      parse_legend(value, line);
    } else if (key == "enemy") {
      parse_enemy(value, line);
    } else if (key == "map") {
      if (!value.empty()) {
        error(line, "nothing may follow 'map:' on its line; the grid starts on the next line");
      }
      stage_.map_line = line;
    } else {
      error(line, "unknown key '" + std::string(key) + "' (expected title, legend, enemy or map)");
    }
  }

  void parse_title(std::string_view value, int line) {
    if (title_line_ != 0) {
      error(line,
            "second 'title:' line (the first is on line " + std::to_string(title_line_) + ")");
    } else if (value.empty()) {
      error(line, "the title is empty");
    }
    if (title_line_ == 0) {
      title_line_ = line;
      stage_.title = std::string(value);
    }
  }

  void parse_legend(std::string_view value, int line) {
    const auto words = split_words(value);
    if (words.size() != 2 || words[0].size() != 1) {
      error(line, "a legend entry is one character and a tile code, e.g. 'legend: ~ 34'");
      return;
    }
    const char c = words[0][0];
    if (is_enemy_char(c)) {
      error(line,
            "digits " + kind_range() + " stand for enemies on floor and cannot be given a tile");
      return;
    }
    if (static_cast<unsigned char>(c) < 0x21 || static_cast<unsigned char>(c) > 0x7e) {
      error(line, "legend character " + describe_char(c) + " is not a printable ASCII character");
      return;
    }
    const auto code = parse_int(words[1]);
    if (!code) {
      error(line, "tile code '" + std::string(words[1]) + "' is not a number");
      return;
    }
    if (!is_map_tile_code(*code)) {
      error(line,
            "tile code " + std::to_string(*code) + " is not a map tile (see assets/TILES.md)");
      return;
    }
    if (const auto it = legend_lines_.find(c); it != legend_lines_.end()) {
      error(line, "character " + describe_char(c) + " is already in the legend on line " +
                      std::to_string(it->second));
      return;
    }
    legend_[c] = static_cast<std::uint8_t>(*code);
    legend_lines_[c] = line;
  }

  void parse_enemy(std::string_view value, int line) {
    const auto words = split_words(value);
    if (words.size() != 3) {
      error(line, "an enemy entry is a kind, a column and a row, e.g. 'enemy: 6 12 4'");
      return;
    }
    const auto kind = parse_int(words[0]);
    const auto column = parse_int(words[1]);
    const auto row = parse_int(words[2]);
    if (!kind || *kind < 1 || *kind > kEnemyKindCount) {
      error(line, "enemy kind '" + std::string(words[0]) + "' is not " + kind_range());
      return;
    }
    if (!column || *column < 0 || *column >= kColumns || !row || *row < 0 || *row >= kRows) {
      error(line, "enemy cell '" + std::string(words[1]) + " " + std::string(words[2]) +
                      "' is outside the map (columns and rows are 0.." +
                      std::to_string(kColumns - 1) + ")");
      return;
    }
    stage_.enemies.push_back({*kind, *column, *row, line});
  }

  std::optional<std::uint8_t> lookup(char c) const {
    if (const auto it = legend_.find(c); it != legend_.end()) return it->second;
    return default_legend(c);
  }

  void parse_grid(const std::vector<std::string_view>& lines, std::size_t first) {
    // Blank lines at the end of the file are not rows.
    std::size_t end = lines.size();
    while (end > first && trim(lines[end - 1]).empty()) --end;
    const int rows = static_cast<int>(end - first);
    if (rows != kRows) {
      const int line = rows > kRows ? static_cast<int>(first) + kRows + 1 : stage_.map_line;
      error(line,
            "the map has " + std::to_string(rows) + " rows, expected " + std::to_string(kRows));
    }
    bool ok = rows == kRows;
    for (int row = 0; row < std::min(rows, kRows); ++row) {
      const int line = static_cast<int>(first) + row + 1;
      stage_.row_lines[row] = line;
      ok = parse_row(lines[first + row], row, line) && ok;
    }
    stage_.grid_ok = ok;
  }

  // One grid row; false when it is not a row of known characters.
  bool parse_row(std::string_view text, int row, int line) {
    bool ok = true;
    if (static_cast<int>(text.size()) != kColumns) {
      error(line, "row " + std::to_string(row) + " has " + std::to_string(text.size()) +
                      " characters, expected " + std::to_string(kColumns));
      ok = false;
    }
    for (int column = 0; column < std::min(static_cast<int>(text.size()), kColumns); ++column) {
      const char c = text[column];
      if (is_enemy_char(c)) {
        stage_.map[cell_index(column, row)] = kFloor;
        stage_.enemies.push_back({c - '0', column, row, line});
      } else if (const auto code = lookup(c)) {
        stage_.map[cell_index(column, row)] = *code;
      } else {
        error(line, "unknown character " + describe_char(c) + " at " + cell_name(column, row) +
                        " (add it to the legend)");
        ok = false;
      }
    }
    return ok;
  }

  std::vector<Diagnostic>& errors_;
  StageSource stage_;
  int title_line_ = 0;
  std::map<char, std::uint8_t> legend_;
  std::map<char, int> legend_lines_;
};

}  // namespace

std::string cell_name(int column, int row) {
  return "column " + std::to_string(column) + " row " + std::to_string(row);
}

StageSource read_stage_text(std::string_view text, std::vector<Diagnostic>& errors) {
  return TextReader(errors).run(text);
}

}  // namespace stagec
