#include "stage/stage_compiler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace stagec {
namespace {

// A small valid stage: one room in the top-left corner of the map. Line 1 is the
// title, then any extra header lines, then "map:" and the 32 grid rows.
struct StageText {
  std::vector<std::string> rows = std::vector<std::string>(kRows, std::string(kColumns, '_'));
  std::vector<std::string> header;

  StageText() {
    const char* room[] = {"################", "#..............#", "S..............#",
                          "#..............#", "#..............#", "#.K.........E..#",
                          "################"};
    for (int r = 0; r < 7; ++r) rows[r].replace(0, 16, room[r]);
  }
  StageText& set(int column, int row, char c) {
    rows[row][column] = c;
    return *this;
  }
  StageText& add(const std::string& line) {
    header.push_back(line);
    return *this;
  }
  std::string text() const {
    std::string t = "title: Test room\n";
    for (const auto& h : header) t += h + "\n";
    t += "map:\n";
    for (const auto& r : rows) t += r + "\n";
    return t;
  }
  int line_of(int row) const { return 3 + static_cast<int>(header.size()) + row; }
};

// A wall across the room at column 8 with one gap at row 3: every way from
// the start to the far side crosses that gap.
void Gate(StageText& s) {
  for (int r = 1; r <= 5; ++r) s.set(8, r, r == 3 ? '.' : '#');
}

// The room moved down five rows: the start door stands in row 7, so the
// first view's top row is row 6, and the view's top row is always 6 + 7 k.
StageText& LowerRoom(StageText& s) {
  std::rotate(s.rows.rbegin(), s.rows.rbegin() + 5, s.rows.rend());
  return s;
}

std::string dump(const CompileResult& r) {
  std::string s;
  for (const auto& d : r.errors) s += format_diagnostic("stage.txt", d) + "\n";
  return s;
}

TEST(StageOutput, BytesAreRowMajorFromTheTopLeft) {
  StageText s;
  s.set(1, 1, 'I').set(10, 3, '3').set(14, 4, '9');
  const auto r = compile_stage(s.text());
  ASSERT_TRUE(r.stage) << dump(r);
  const auto& m = r.stage->map;
  const auto& v = r.stage->ivm;
  EXPECT_EQ(m[33], 33) << "byte 33 is column 1 row 1";
  EXPECT_EQ(m[2 * 32 + 0], kStartDoor);
  EXPECT_EQ(m[5 * 32 + 2], kKeyChest);
  EXPECT_EQ(m[5 * 32 + 12], kExitDoor);
  EXPECT_EQ(m[31 * 32 + 31], kDarkness);
  // An enemy digit is floor on the map and the enemy's kind in the other file.
  EXPECT_EQ(m[3 * 32 + 10], kFloor);
  EXPECT_EQ(v[3 * 32 + 10], 3);
  EXPECT_EQ(v[4 * 32 + 14], 9);
  EXPECT_EQ(std::count_if(v.begin(), v.end(), [](auto b) { return b != 0; }), 2);
  EXPECT_EQ(r.stage->title, "Test room");
}

TEST(StageOutput, LegendAndEnemyLinesApply) {
  StageText s;
  s.add("legend: ? 85").add("legend: # 66").add("enemy: 4 10 2").add("enemy: 6 15 5");
  s.set(5, 1, '?');
  const auto r = compile_stage(s.text());
  ASSERT_TRUE(r.stage) << dump(r);
  EXPECT_EQ(r.stage->map[1 * 32 + 5], 85);
  EXPECT_EQ(r.stage->map[0], 66) << "a legend entry replaces a default";
  EXPECT_EQ(r.stage->ivm[2 * 32 + 10], 4);
  EXPECT_EQ(r.stage->ivm[5 * 32 + 15], 6);
  EXPECT_EQ(r.stage->map[5 * 32 + 15], 66) << "the ghost's wall stays a wall";
  // Every default character names a real map tile.
  for (int c = 0; c < 128; ++c) {
    if (const auto code = default_legend(static_cast<char>(c))) {
      EXPECT_TRUE(is_map_tile_code(*code)) << "character " << c;
    }
  }
}

// The table of tiles read both ways: a character stands for its code and the
// code is written with that character. No character, code or name appears
// twice, no enemy digit is a tile, and only the table's codes are map tiles.
TEST(StageTiles, EveryTileRoundTripsThroughItsCharacter) {
  std::set<char> symbols;
  std::set<int> codes;
  std::set<std::string> names;
  for (const StageTile& tile : kStageTiles) {
    EXPECT_TRUE(symbols.insert(tile.symbol).second) << "character " << tile.symbol << " twice";
    EXPECT_TRUE(codes.insert(tile.code).second) << "code " << int{tile.code} << " twice";
    EXPECT_TRUE(names.insert(tile.name).second) << tile.name << " twice";
    EXPECT_FALSE(tile.symbol >= '1' && tile.symbol <= '0' + kEnemyKindCount) << tile.name;
    EXPECT_EQ(default_legend(tile.symbol), tile.code) << tile.name;
    EXPECT_EQ(default_symbol(tile.code), tile.symbol) << tile.name;
  }
  for (int code = 0; code < 256; ++code) {
    EXPECT_EQ(is_map_tile_code(code), codes.count(code) == 1) << code;
  }
  for (int opening : {kKeyChest + 1, kExitDoor + 1, kStartDoor - 1}) {
    EXPECT_FALSE(is_map_tile_code(opening)) << opening;
  }
}

TEST(StageOutput, AcceptsCrLfCommentsAndTrailingBlankLines) {
  std::string crlf;
  for (char c : "; the test room\n\n" + StageText().text() + "\n\n") {
    crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  }
  const auto r = compile_stage(crlf);
  EXPECT_TRUE(r.stage) << dump(r);
}

// Stages right at the limits of the rules still compile.
TEST(StageOutput, AcceptsStagesAtTheLimits) {
  const std::vector<std::pair<const char*, std::function<void(StageText&)>>> cases = {
      {"eleven enemies",
       [](StageText& s) {
         for (int c : {6, 8, 10, 12, 14}) s.set(c, 1, '1').set(c, 3, '2');
         s.set(10, 5, '4');
       }},
      {"enemy five cells from the start", [](StageText& s) { s.set(5, 4, '1'); }},
      {"enemies two cells apart", [](StageText& s) { s.set(8, 1, '2').set(10, 1, '4'); }},
      {"ghost in the last cell of its bounds", [](StageText& s) { s.add("enemy: 6 26 12"); }},
      {"guard in a gap that has a way around",
       [](StageText& s) {
         Gate(s);
         s.set(8, 5, '.').set(8, 3, '1');
       }},
      {"ghost inside the wall of the only gap",
       [](StageText& s) {
         Gate(s);
         s.add("enemy: 6 8 2");
       }},
      {"ghost on unreachable floor in the last radar cell",
       [](StageText& s) { s.set(25, 11, '.').add("enemy: 6 25 11"); }},
      {"start door in row 7",
       [](StageText& s) { std::rotate(s.rows.rbegin(), s.rows.rbegin() + 5, s.rows.rend()); }},
      {"key chest in the view's top row, in the HUD's gap",
       [](StageText& s) { LowerRoom(s).set(2, 10, '.').set(13, 6, 'K'); }},
      {"enemy in the view's top row, right of the HUD's text",
       [](StageText& s) { LowerRoom(s).set(8, 6, '1'); }},
  };
  for (const auto& [what, edit] : cases) {
    StageText s;
    edit(s);
    const auto r = compile_stage(s.text());
    EXPECT_TRUE(r.stage) << what << ":\n" << dump(r);
  }
}

// A broken stage: how to break the valid one, and the error expected. `row` is
// the grid row the error points at, or -n for the n-th extra header line.
struct Broken {
  const char* what;
  std::function<void(StageText&)> edit;
  int row;
  std::string message;
};

void PrintTo(const Broken& b, std::ostream* os) {
  *os << b.what;
}

class Rejects : public ::testing::TestWithParam<Broken> {};

TEST_P(Rejects, WithLineAndReason) {
  StageText s;
  GetParam().edit(s);
  const auto r = compile_stage(s.text());
  const int line = GetParam().row < 0 ? 1 - GetParam().row : s.line_of(GetParam().row);
  EXPECT_FALSE(r.stage);
  const bool found = std::any_of(r.errors.begin(), r.errors.end(), [&](const Diagnostic& d) {
    return d.line == line && d.message.find(GetParam().message) != std::string::npos;
  });
  EXPECT_TRUE(found) << "wanted line " << line << ": " << GetParam().message << "\ngot:\n"
                     << dump(r);
}

auto header(std::string line) {
  return [line](StageText& s) { s.add(line); };
}
auto cell(int column, int row, char c) {
  return [=](StageText& s) { s.set(column, row, c); };
}

INSTANTIATE_TEST_SUITE_P(
    Header, Rejects,
    ::testing::Values(
        Broken{"unknown key", header("music: 3"), -1, "unknown key 'music'"},
        Broken{"digit in legend", header("legend: 5 16"), -1, "digits 1..9"},
        Broken{"opening frame in legend", header("legend: ? 3"), -1, "not a map tile"},
        Broken{"word as code", header("legend: ? wall"), -1, "not a number"},
        Broken{"legend twice", [](StageText& s) { s.add("legend: ? 16").add("legend: ? 17"); }, -2,
               "already in the legend on line 2"},
        Broken{"enemy kind 0", header("enemy: 0 10 2"), -1, "not 1..9"},
        Broken{"enemy off the map", header("enemy: 2 32 2"), -1, "outside the map"}));

INSTANTIATE_TEST_SUITE_P(
    Grid, Rejects,
    ::testing::Values(
        Broken{"31 rows", [](StageText& s) { s.rows.pop_back(); }, -1, "31 rows, expected 32"},
        Broken{"33 rows", [](StageText& s) { s.rows.push_back(std::string(32, '_')); }, 32,
               "33 rows"},
        Broken{"short row", [](StageText& s) { s.rows[7].pop_back(); }, 7,
               "row 7 has 31 characters"},
        Broken{"unknown char", cell(20, 9, '?'), 9, "unknown character '?' at column 20 row 9"}));

INSTANTIATE_TEST_SUITE_P(
    Landmarks, Rejects,
    ::testing::Values(
        Broken{"no start", cell(0, 2, '#'), -1, "no start door"},
        Broken{"two keys", cell(8, 3, 'K'), 5, "second key chest at column 2 row 5"},
        Broken{"start in column 10",
               [](StageText& s) {
                 for (int r = 0; r < 7; ++r)
                   s.rows[r] = std::string(10, '_') + s.rows[r].substr(0, 22);
               },
               2, "columns 0..9, rows 0..12"},
        Broken{
            "start in row 13",
            [](StageText& s) { std::rotate(s.rows.rbegin(), s.rows.rbegin() + 11, s.rows.rend()); },
            13, "columns 0..9, rows 0..12"},
        Broken{"wall right of start", cell(1, 2, '#'), 2, "column 1 row 2 is not floor"},
        Broken{"one floor right of start", cell(2, 2, 'b'), 2, "column 2 row 2 is not floor"}));

INSTANTIATE_TEST_SUITE_P(
    Enemies, Rejects,
    ::testing::Values(
        Broken{"twelve enemies",
               [](StageText& s) {
                 for (int c : {6, 8, 10, 12, 14}) s.set(c, 1, '1').set(c, 3, '2');
                 s.set(10, 5, '4').set(7, 5, '2');
               },
               5, "too many enemies: 12"},
        Broken{"walker in a wall", header("enemy: 2 15 3"), -1,
               "kind 2 at column 15 row 3 is not on floor (tile 16)"},
        Broken{"ghost too far east", header("enemy: 6 27 5"), -1, "outside the ghost's bounds"},
        Broken{"enemy near the start", cell(4, 4, '1'), 4, "within 4 cells of the start door"},
        Broken{"diagonal neighbours", [](StageText& s) { s.set(8, 1, '2').set(9, 2, '4'); }, 2,
               "stands next to the enemy of kind 2 from line 4"},
        Broken{"shared cell", [](StageText& s) { s.set(8, 1, '2').add("enemy: 5 8 1"); }, 1,
               "shares its cell"},
        Broken{"enemy behind a wall",
               [](StageText& s) {
                 for (int r = 1; r <= 5; ++r) s.set(11, r, '#');
                 s.set(12, 5, '.').set(9, 5, 'E').set(13, 2, '4');
               },
               2, "kind 4 at column 13 row 2 stands on floor the player can never reach"}));

INSTANTIATE_TEST_SUITE_P(
    Reachability, Rejects,
    ::testing::Values(Broken{"exit walled off",
                             [](StageText& s) {
                               for (int r = 1; r <= 5; ++r) s.set(11, r, '#');
                             },
                             5, "exit door at column 12 row 5 cannot be reached"},
                      // A diagonal floor neighbour does not count.
                      Broken{"key walled in",
                             [](StageText& s) { s.set(1, 5, '#').set(3, 5, '#').set(2, 4, '#'); },
                             5, "key chest at column 2 row 5 cannot be reached"}));

INSTANTIATE_TEST_SUITE_P(
    ChokePoints, Rejects,
    ::testing::Values(Broken{"guard in the only gap to the chest",
                             [](StageText& s) {
                               Gate(s);
                               s.set(2, 5, '.').set(12, 5, 'K').set(3, 5, 'E').set(8, 3, '1');
                             },
                             3, "kind 1 at column 8 row 3 stands where every way to the key chest"},
                      Broken{"wanderer in the only gap to the exit",
                             [](StageText& s) {
                               Gate(s);
                               s.set(12, 5, '.').set(13, 5, 'E').set(8, 3, '4');
                             },
                             3, "kind 4 at column 8 row 3 stands where every way to the exit door"},
                      Broken{"guard in the corridor to a chest in a dead end",
                             [](StageText& s) {
                               for (int r = 1; r <= 3; ++r) s.set(13, r, '#');
                               s.set(14, 1, 'K').set(2, 5, '.').set(14, 3, '2');
                             },
                             3, "kind 2 at column 14 row 3 stands where every way to the key"}));

INSTANTIATE_TEST_SUITE_P(
    UnderTheHud, Rejects,
    ::testing::Values(
        Broken{"key chest under SCORE",
               [](StageText& s) { LowerRoom(s).set(2, 10, '.').set(5, 6, 'K'); }, 6,
               "the key chest at column 5 row 6 lies under the HUD's text when the view's top "
               "row is row 6"},
        Broken{"exit door under TIME",
               [](StageText& s) { LowerRoom(s).set(12, 10, '.').set(14, 6, 'E'); }, 6,
               "the exit door at column 14 row 6 lies under the HUD's text"},
        Broken{"enemy starting under the score's digits",
               [](StageText& s) { LowerRoom(s).set(12, 6, '1'); }, 6,
               "the start of the enemy of kind 1 at column 12 row 6 lies under the HUD's text"},
        Broken{"enemy under the HUD of the view below",
               [](StageText& s) {
                 for (int r = 7; r <= 10; ++r) s.set(14, r, '.');
                 s.set(14, 6, '.').set(14, 7, '2');
               },
               7,
               "kind 2 at column 14 row 7 lies under the HUD's text when the view's top row is row "
               "7"}));

INSTANTIATE_TEST_SUITE_P(FloorExtent, Rejects,
                         ::testing::Values(Broken{"floor in row 0", cell(5, 0, '.'), 0,
                                                  "column 5 row 0 touches the map's outer edge"},
                                           Broken{"floor east of the radar", cell(26, 5, '.'), 5,
                                                  "outside the radar's view (columns 0..25, rows "
                                                  "0..11): a rule of good stages"},
                                           Broken{"floor south of the radar", cell(5, 12, '.'), 12,
                                                  "outside the radar"}));

TEST(Diagnostics, EveryProblemIsReportedInCompilerForm) {
  EXPECT_EQ(format_diagnostic("assets/stages/stage01.txt", {7, "bad"}),
            "assets/stages/stage01.txt:7: error: bad");
  StageText s;
  s.set(20, 9, '?').set(21, 10, '!').add("legend: ? 3");
  EXPECT_EQ(compile_stage(s.text()).errors.size(), 3u);
  EXPECT_FALSE(compile_stage("title: x\n").stage);
  EXPECT_EQ(compile_stage("").errors.at(0).message.find("no 'map:'"), 0u);
  const std::string valid = StageText().text();
  const std::string no_title = valid.substr(valid.find('\n') + 1);
  EXPECT_EQ(compile_stage(no_title).errors.at(0).message, "no 'title:' line");
}

}  // namespace
}  // namespace stagec
