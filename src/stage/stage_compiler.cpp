#include "stage_compiler.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <deque>
#include <iterator>
#include <map>

namespace stagec {
namespace {

struct Enemy {
  int kind = 0;
  int column = 0;
  int row = 0;
  int line = 0;
};

struct Position {
  int column = -1;
  int row = -1;
  bool found() const { return column >= 0; }
};

std::string at(int column, int row) {
  return "column " + std::to_string(column) + " row " + std::to_string(row);
}

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

class Compiler {
 public:
  CompileResult run(std::string_view text) {
    const auto lines = split_lines(text);
    std::size_t i = 0;
    for (; i < lines.size() && !map_line_; ++i)
      parse_header_line(lines[i], static_cast<int>(i) + 1);
    if (!map_line_) {
      error(static_cast<int>(lines.size()) + (lines.empty() ? 1 : 0),
            "no 'map:' line; the 32 grid rows follow a line reading 'map:'");
    }
    if (title_.empty() && title_line_ == 0) error(1, "no 'title:' line");
    if (map_line_) parse_grid(lines, i);

    // The rules of play only make sense on a complete, readable grid.
    if (grid_ok_ && errors_.empty()) check_stage();

    CompileResult result;
    result.errors = std::move(errors_);
    if (result.errors.empty()) {
      CompiledStage stage;
      stage.title = title_;
      stage.map = map_;
      for (const auto& e : enemies_) {
        stage.ivm[cell_index(e.column, e.row)] = static_cast<std::uint8_t>(e.kind);
      }
      result.stage = std::move(stage);
    }
    return result;
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
      if (title_line_ != 0) {
        error(line,
              "second 'title:' line (the first is on line " + std::to_string(title_line_) + ")");
      } else if (value.empty()) {
        error(line, "the title is empty");
      }
      if (title_line_ == 0) {
        title_line_ = line;
        title_ = std::string(value);
      }
    } else if (key == "legend") {
      parse_legend(value, line);
    } else if (key == "enemy") {
      parse_enemy(value, line);
    } else if (key == "map") {
      if (!value.empty()) {
        error(line, "nothing may follow 'map:' on its line; the grid starts on the next line");
      }
      map_line_ = line;
    } else {
      error(line, "unknown key '" + std::string(key) + "' (expected title, legend, enemy or map)");
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
                      "' is outside the map (columns and rows are 0..31)");
      return;
    }
    enemies_.push_back({*kind, *column, *row, line});
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
      const int line = rows > kRows ? static_cast<int>(first) + kRows + 1 : map_line_;
      error(line,
            "the map has " + std::to_string(rows) + " rows, expected " + std::to_string(kRows));
    }
    bool ok = rows == kRows;
    for (int row = 0; row < std::min(rows, kRows); ++row) {
      const auto text = lines[first + row];
      const int line = static_cast<int>(first) + row + 1;
      row_lines_[row] = line;
      if (static_cast<int>(text.size()) != kColumns) {
        error(line, "row " + std::to_string(row) + " has " + std::to_string(text.size()) +
                        " characters, expected " + std::to_string(kColumns));
        ok = false;
      }
      for (int column = 0; column < std::min(static_cast<int>(text.size()), kColumns); ++column) {
        const char c = text[column];
        if (is_enemy_char(c)) {
          map_[cell_index(column, row)] = kFloor;
          enemies_.push_back({c - '0', column, row, line});
        } else if (const auto code = lookup(c)) {
          map_[cell_index(column, row)] = *code;
        } else {
          error(line, "unknown character " + describe_char(c) + " at " + at(column, row) +
                          " (add it to the legend)");
          ok = false;
        }
      }
    }
    grid_ok_ = ok;
  }

  std::uint8_t tile(int column, int row) const { return map_[cell_index(column, row)]; }
  bool is_floor(int column, int row) const {
    return column >= 0 && column < kColumns && row >= 0 && row < kRows &&
           tile(column, row) == kFloor;
  }

  // Finds the one cell holding `code`, reporting a missing or repeated one.
  Position find_unique(std::uint8_t code, const char* name) {
    Position first;
    for (int row = 0; row < kRows; ++row) {
      for (int column = 0; column < kColumns; ++column) {
        if (tile(column, row) != code) continue;
        if (!first.found()) {
          first = {column, row};
        } else {
          error(row_lines_[row], std::string("a second ") + name + " at " + at(column, row) +
                                     " (the first is at " + at(first.column, first.row) +
                                     ", line " + std::to_string(row_lines_[first.row]) + ")");
        }
      }
    }
    if (!first.found()) {
      error(map_line_,
            std::string("the map has no ") + name + " (tile " + std::to_string(code) + ")");
    }
    return first;
  }

  void check_stage() {
    check_floor_extent();
    const Position start = find_unique(kStartDoor, "start door");
    const Position key = find_unique(kKeyChest, "key chest");
    const Position exit = find_unique(kExitDoor, "exit door");
    bool start_ok = start.found();
    if (start.found()) start_ok = check_start_door(start);
    check_enemies(start);
    if (start.found()) check_under_hud(start, key, exit);
    if (start_ok) check_reachability(start, key, exit);
    if (start_ok && key.found() && exit.found() && errors_.empty()) {
      check_choke_points(start, key, exit);
    }
  }

  void check_floor_extent() {
    for (int row = 0; row < kRows; ++row) {
      for (int column = 0; column < kColumns; ++column) {
        if (tile(column, row) != kFloor) continue;
        if (row == 0 || column == 0 || row == kRows - 1 || column == kColumns - 1) {
          error(row_lines_[row], "floor at " + at(column, row) +
                                     " touches the map's outer edge; close it with a wall");
        } else if (column >= kRadarColumns || row >= kRadarRows) {
          error(row_lines_[row], "floor at " + at(column, row) +
                                     " lies outside the radar's view (columns 0.." +
                                     std::to_string(kRadarColumns - 1) + ", rows 0.." +
                                     std::to_string(kRadarRows - 1) + ")");
        }
      }
    }
  }

  // What the player needs to see must never sit under the HUD's text: no
  // key chest, door or enemy start in a cell of the view's top row that the
  // text covers, at any view position.
  void check_under_hud(Position start, Position key, Position exit) {
    const int first_top = start.row < 6 ? 0 : 6;
    const auto under_hud = [&](int column, int row) {
      return (row - first_top) % kViewRows == 0 && row >= first_top &&
             kHudTextViewColumns[static_cast<std::size_t>(column % kViewColumns)];
    };
    const auto report = [&](int line, const std::string& what, int column, int row) {
      error(line, what + " at " + at(column, row) + " lies under the HUD's text when the view's " +
                      "top row is row " + std::to_string(row) +
                      "; move it to another row, or to a column whose place in the view is " +
                      "3, 6, 7, 8 or 9");
    };
    const std::pair<Position, const char*> landmarks[] = {
        {start, "the start door"}, {key, "the key chest"}, {exit, "the exit door"}};
    for (const auto& [where, name] : landmarks) {
      if (where.found() && under_hud(where.column, where.row)) {
        report(row_lines_[where.row], name, where.column, where.row);
      }
    }
    for (const Enemy& e : enemies_) {
      if (under_hud(e.column, e.row)) {
        report(e.line, "the start of the enemy of kind " + std::to_string(e.kind), e.column, e.row);
      }
    }
  }

  bool check_start_door(Position start) {
    const int line = row_lines_[start.row];
    if (start.column > kStartMaxColumn || start.row > kStartMaxRow) {
      error(line, "the start door at " + at(start.column, start.row) + " must be in columns 0.." +
                      std::to_string(kStartMaxColumn) + ", rows 0.." +
                      std::to_string(kStartMaxRow));
      return false;
    }
    // The player walks out of the door to the right and needs room to stand there.
    for (int step = 1; step <= 2; ++step) {
      if (!is_floor(start.column + step, start.row)) {
        error(line, "the start door at " + at(start.column, start.row) +
                        " needs floor on the two cells to its right; " +
                        at(start.column + step, start.row) + " is not floor");
        return false;
      }
    }
    return true;
  }

  void check_enemies(Position start) {
    std::sort(enemies_.begin(), enemies_.end(),
              [](const Enemy& a, const Enemy& b) { return a.line < b.line; });
    if (static_cast<int>(enemies_.size()) > kMaxEnemies) {
      error(enemies_[kMaxEnemies].line, "too many enemies: " + std::to_string(enemies_.size()) +
                                            ", the game places at most " +
                                            std::to_string(kMaxEnemies));
    }
    for (std::size_t i = 0; i < enemies_.size(); ++i) {
      const Enemy& e = enemies_[i];
      const std::string who =
          "enemy of kind " + std::to_string(e.kind) + " at " + at(e.column, e.row);
      if (e.kind == kGhostKind) {
        if (e.column < kGhostMinColumn || e.column > kGhostMaxColumn || e.row < kGhostMinRow ||
            e.row > kGhostMaxRow) {
          error(e.line,
                who + " is outside the ghost's bounds (columns " + std::to_string(kGhostMinColumn) +
                    ".." + std::to_string(kGhostMaxColumn) + ", rows " +
                    std::to_string(kGhostMinRow) + ".." + std::to_string(kGhostMaxRow) + ")");
        }
      } else if (!is_floor(e.column, e.row)) {
        error(e.line,
              who + " is not on floor (tile " + std::to_string(tile(e.column, e.row)) + ")");
      }
      if (start.found() && std::abs(e.column - start.column) <= kStartSafeRadius &&
          std::abs(e.row - start.row) <= kStartSafeRadius) {
        error(e.line, who + " is within " + std::to_string(kStartSafeRadius) +
                          " cells of the start door at " + at(start.column, start.row));
      }
      for (std::size_t j = 0; j < i; ++j) {
        const Enemy& o = enemies_[j];
        if (std::abs(e.column - o.column) <= 1 && std::abs(e.row - o.row) <= 1) {
          const bool same = e.column == o.column && e.row == o.row;
          error(e.line, who + (same ? " shares its cell with" : " stands next to") +
                            " the enemy of kind " + std::to_string(o.kind) + " from line " +
                            std::to_string(o.line) + "; keep a cell between enemies");
        }
      }
    }
  }

  // The floor the player can walk to from the start door, treating
  // `blocked` as a wall and, with `chest_open`, the key chest as floor.
  std::array<bool, kCells> reachable(Position start, Position key, Position blocked,
                                     bool chest_open) const {
    std::array<bool, kCells> reached{};
    const auto walkable = [&](int c, int r) {
      if (c == blocked.column && r == blocked.row) return false;
      return is_floor(c, r) || (chest_open && c == key.column && r == key.row);
    };
    std::deque<Position> queue;
    reached[cell_index(start.column + 1, start.row)] = true;
    queue.push_back({start.column + 1, start.row});
    while (!queue.empty()) {
      const Position p = queue.front();
      queue.pop_front();
      for (int d = 0; d < 4; ++d) {
        const int c = p.column + kDc[d];
        const int r = p.row + kDr[d];
        if (!walkable(c, r) || reached[cell_index(c, r)]) continue;
        reached[cell_index(c, r)] = true;
        queue.push_back({c, r});
      }
    }
    return reached;
  }

  bool touches(const std::array<bool, kCells>& reached, Position p) const {
    for (int d = 0; d < 4; ++d) {
      const int c = p.column + kDc[d];
      const int r = p.row + kDr[d];
      if (c >= 0 && r >= 0 && c < kColumns && r < kRows && reached[cell_index(c, r)]) return true;
    }
    return false;
  }

  // An enemy that starts on a cell every way to the chest (or on from the
  // chest to the exit) has to cross can hold the whole stage up: the player
  // can only wait for it to leave, or slip through its sprite.
  void check_choke_points(Position start, Position key, Position exit) {
    for (const Enemy& e : enemies_) {
      if (e.kind == kGhostKind || !is_floor(e.column, e.row)) continue;
      const Position here{e.column, e.row};
      const std::string who =
          "enemy of kind " + std::to_string(e.kind) + " at " + at(e.column, e.row);
      if (!touches(reachable(start, key, here, false), key)) {
        error(e.line, who + " stands where every way to the key chest passes; move it aside");
      } else if (!touches(reachable(start, key, here, true), exit)) {
        error(e.line, who + " stands where every way to the exit door passes; move it aside");
      }
    }
  }

  void check_reachability(Position start, Position key, Position exit) {
    const std::array<bool, kCells> reached = reachable(start, key, {-1, -1}, false);
    const auto touches_reached = [&](Position p) {
      for (int d = 0; d < 4; ++d) {
        const int c = p.column + kDc[d];
        const int r = p.row + kDr[d];
        if (is_floor(c, r) && reached[cell_index(c, r)]) return true;
      }
      return false;
    };
    if (key.found() && !touches_reached(key)) {
      error(row_lines_[key.row], "the key chest at " + at(key.column, key.row) +
                                     " cannot be reached from the start door");
    }
    if (exit.found() && !touches_reached(exit)) {
      error(row_lines_[exit.row], "the exit door at " + at(exit.column, exit.row) +
                                      " cannot be reached from the start door");
    }
    for (const Enemy& e : enemies_) {
      if (e.kind == kGhostKind || !is_floor(e.column, e.row)) continue;
      if (!reached[cell_index(e.column, e.row)]) {
        error(e.line, "enemy of kind " + std::to_string(e.kind) + " at " + at(e.column, e.row) +
                          " stands on floor the player can never reach");
      }
    }
  }

  static constexpr int kDc[] = {1, -1, 0, 0};
  static constexpr int kDr[] = {0, 0, 1, -1};

  std::string title_;
  int title_line_ = 0;
  int map_line_ = 0;
  bool grid_ok_ = false;
  std::map<char, std::uint8_t> legend_;
  std::map<char, int> legend_lines_;
  std::vector<Enemy> enemies_;
  std::array<int, kRows> row_lines_{};
  Grid map_{};
  std::vector<Diagnostic> errors_;
};

}  // namespace

bool is_map_tile_code(int code) {
  static constexpr int kCodes[] = {0,  1,  2,  16, 17, 18, 21, 32, 33, 34, 35, 36, 37, 48, 49,
                                   50, 51, 52, 53, 66, 67, 68, 69, 80, 81, 82, 83, 84, 85};
  return std::find(std::begin(kCodes), std::end(kCodes), code) != std::end(kCodes);
}

std::optional<std::uint8_t> default_legend(char c) {
  switch (c) {
    case '_':
      return 0;  // darkness outside the maze
    case '.':
      return 1;  // floor
    case 'K':
      return 2;  // key chest
    case '#':
      return 16;  // brick wall
    case 'O':
      return 17;  // stone block
    case 'E':
      return 18;  // exit door
    case 'S':
      return 21;  // start door
    case '=':
      return 32;  // battlement
    case 'I':
      return 33;  // pillar
    case '~':
      return 34;  // water
    case 'T':
      return 35;  // bush / tree
    case 'x':
      return 36;  // wooden crate
    case 's':
      return 37;  // torch on a grey stone wall
    case '*':
      return 48;  // torch on a brick wall
    case 'o':
      return 49;  // boulder
    case 'b':
      return 50;  // barrel
    case '&':
      return 51;  // statue
    case '^':
      return 52;  // lava
    case 'd':
      return 53;  // torch on a dark brick wall
    case 'D':
      return 66;  // dark brick
    case 'M':
      return 67;  // mossy wall
    case 'i':
      return 68;  // ice block
    case '|':
      return 69;  // iron bars
    case 'B':
      return 80;  // bookshelf
    case 'g':
      return 81;  // torch on a gold wall
    case '@':
      return 82;  // pile of skulls
    case 'W':
      return 83;  // window in a grey stone wall
    case 'f':
      return 84;  // wooden fence
    case '$':
      return 85;  // gold wall
    default:
      return std::nullopt;
  }
}

CompileResult compile_stage(std::string_view text) {
  return Compiler{}.run(text);
}

std::string format_diagnostic(std::string_view file, const Diagnostic& d) {
  return std::string(file) + ":" + std::to_string(d.line) + ": error: " + d.message;
}

}  // namespace stagec
