#include "stage_compiler.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace stagec {
namespace {

// A small valid stage: one room in the top-left corner of the map. Line 1 is the
// title, line 2 reads "map:", so grid row r sits on line r + 3.
class StageText {
 public:
  StageText() : rows_(kRows, std::string(kColumns, '_')) {
    const char* room[] = {
        "################",  //
        "#..............#",  //
        "S..............#",  //
        "#..............#",  //
        "#..............#",  //
        "#.K.........E..#",  //
        "################",  //
    };
    for (int r = 0; r < 7; ++r) rows_[r].replace(0, 16, room[r]);
  }

  StageText& set(int column, int row, char c) {
    rows_[row][column] = c;
    return *this;
  }
  StageText& header(const std::string& line) {
    header_ += line + "\n";
    return *this;
  }
  std::vector<std::string>& rows() { return rows_; }

  std::string text() const {
    std::string t = "title: Test room\n" + header_ + "map:\n";
    for (const auto& r : rows_) t += r + "\n";
    return t;
  }
  // Line of grid row `row` (after any extra header lines).
  int line_of(int row) const {
    return 3 + row + static_cast<int>(std::count(header_.begin(), header_.end(), '\n'));
  }

 private:
  std::vector<std::string> rows_;
  std::string header_;
};

std::string dump(const CompileResult& r) {
  std::string s;
  for (const auto& d : r.errors) s += format_diagnostic("stage.txt", d) + "\n";
  return s;
}

// Expects an error on `line` whose message contains `text`.
void expect_error(const CompileResult& r, int line, const std::string& text) {
  EXPECT_FALSE(r.stage.has_value());
  bool found = false;
  for (const auto& d : r.errors)
    found |= d.line == line && d.message.find(text) != std::string::npos;
  EXPECT_TRUE(found) << "wanted line " << line << " '" << text << "', got:\n" << dump(r);
}

TEST(StageOutput, BytesAreRowMajorFromTheTopLeft) {
  StageText s;
  s.set(1, 1, 'I').set(10, 3, '3').set(14, 4, '9');
  const auto r = compile_stage(s.text());
  ASSERT_TRUE(r.stage) << dump(r);
  const auto& m = r.stage->map;
  const auto& v = r.stage->ivm;
  EXPECT_EQ(m[33], 33) << "byte 33 is column 1 row 1";
  EXPECT_EQ(m[0 * 32 + 0], 16);
  EXPECT_EQ(m[2 * 32 + 0], kStartDoor);
  EXPECT_EQ(m[5 * 32 + 2], kKeyChest);
  EXPECT_EQ(m[5 * 32 + 12], kExitDoor);
  EXPECT_EQ(m[2 * 32 + 1], kFloor);
  EXPECT_EQ(m[31 * 32 + 31], kDarkness);
  // An enemy digit is floor on the map and the enemy's kind on the other file.
  EXPECT_EQ(m[3 * 32 + 10], kFloor);
  EXPECT_EQ(v[3 * 32 + 10], 3);
  EXPECT_EQ(v[4 * 32 + 14], 9);
  int enemies = 0;
  for (auto b : v) enemies += b != 0;
  EXPECT_EQ(enemies, 2);
  EXPECT_EQ(r.stage->title, "Test room");
}

TEST(StageOutput, EnemyLinesPlaceEnemiesAndGhostsMayStandInWalls) {
  StageText s;
  s.header("enemy: 4 10 2").header("enemy: 6 15 5");
  const auto r = compile_stage(s.text());
  ASSERT_TRUE(r.stage) << dump(r);
  EXPECT_EQ(r.stage->ivm[2 * 32 + 10], 4);
  EXPECT_EQ(r.stage->ivm[5 * 32 + 15], 6);
  EXPECT_EQ(r.stage->map[5 * 32 + 15], 16) << "the ghost's wall stays a wall";
}

TEST(StageOutput, AcceptsCrLfCommentsAndTrailingBlankLines) {
  StageText s;
  std::string text = "; the test room\n\n" + s.text() + "\n\n";
  std::string crlf;
  for (char c : text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  const auto r = compile_stage(crlf);
  EXPECT_TRUE(r.stage) << dump(r);
}

TEST(Legend, DefaultsCoverTheCommonTiles) {
  EXPECT_EQ(default_legend('#'), 16);
  EXPECT_EQ(default_legend('.'), 1);
  EXPECT_EQ(default_legend('K'), 2);
  EXPECT_EQ(default_legend('E'), 18);
  EXPECT_EQ(default_legend('S'), 21);
  EXPECT_EQ(default_legend('_'), 0);
  EXPECT_FALSE(default_legend(' '));
  EXPECT_FALSE(default_legend('1'));
  // Every default names a real map tile.
  for (int c = 0; c < 128; ++c) {
    if (const auto code = default_legend(static_cast<char>(c))) {
      EXPECT_TRUE(is_map_tile_code(*code)) << "character " << c;
    }
  }
}

TEST(Legend, EntriesAddAndOverrideCharacters) {
  StageText s;
  s.header("legend: ? 85").header("legend: # 66");
  s.set(5, 1, '?');
  const auto r = compile_stage(s.text());
  ASSERT_TRUE(r.stage) << dump(r);
  EXPECT_EQ(r.stage->map[1 * 32 + 5], 85);
  EXPECT_EQ(r.stage->map[0], 66);
}

TEST(Legend, RejectsBadEntries) {
  expect_error(compile_stage(StageText().header("legend: 5 16").text()), 2, "digits 1..9");
  expect_error(compile_stage(StageText().header("legend: ? 3").text()), 2, "not a map tile");
  expect_error(compile_stage(StageText().header("legend: ? 64").text()), 2, "not a map tile");
  expect_error(compile_stage(StageText().header("legend: ? 300").text()), 2, "not a map tile");
  expect_error(compile_stage(StageText().header("legend: ? wall").text()), 2, "not a number");
  expect_error(compile_stage(StageText().header("legend: ?? 16").text()), 2, "one character");
  expect_error(compile_stage(StageText().header("legend: ? 16").header("legend: ? 17").text()), 3,
               "already in the legend on line 2");
}

TEST(Header, RejectsMissingAndUnknownLines) {
  StageText s;
  std::string no_title = s.text().substr(s.text().find('\n') + 1);
  expect_error(compile_stage(no_title), 1, "no 'title:'");
  expect_error(compile_stage("title: x\n"), 1, "no 'map:'");
  expect_error(compile_stage(""), 1, "no 'map:'");
  expect_error(compile_stage(StageText().header("music: 3").text()), 2, "unknown key 'music'");
  expect_error(compile_stage(StageText().header("just words").text()), 2, "key: value");
  expect_error(compile_stage(StageText().header("title: again").text()), 2, "second 'title:'");
  expect_error(compile_stage(StageText().header("enemy: 0 10 2").text()), 2, "not 1..9");
  expect_error(compile_stage(StageText().header("enemy: 2 32 2").text()), 2, "outside the map");
  expect_error(compile_stage(StageText().header("enemy: 2 10").text()), 2, "a kind, a column");
}

TEST(Grid, RejectsWrongSize) {
  StageText short_map;
  short_map.rows().pop_back();
  expect_error(compile_stage(short_map.text()), 2, "31 rows, expected 32");

  StageText long_map;
  long_map.rows().push_back(std::string(32, '_'));
  expect_error(compile_stage(long_map.text()), long_map.line_of(32), "33 rows");

  StageText narrow;
  narrow.rows()[7].pop_back();
  expect_error(compile_stage(narrow.text()), narrow.line_of(7), "row 7 has 31 characters");

  StageText wide;
  wide.rows()[8] += "_";
  expect_error(compile_stage(wide.text()), wide.line_of(8), "row 8 has 33 characters");

  StageText blank_row;
  blank_row.rows()[9].clear();
  expect_error(compile_stage(blank_row.text()), blank_row.line_of(9), "row 9 has 0 characters");
}

TEST(Grid, RejectsUnknownCharactersWithTheirCell) {
  StageText s;
  s.set(20, 9, '?').set(3, 3, ' ');
  const auto r = compile_stage(s.text());
  expect_error(r, s.line_of(9), "unknown character '?' at column 20 row 9");
  expect_error(r, s.line_of(3), "' ' (space) at column 3 row 3");
}

TEST(Landmarks, NeedExactlyOneStartKeyAndExit) {
  expect_error(compile_stage(StageText().set(0, 2, '#').text()), 2, "no start door");
  expect_error(compile_stage(StageText().set(2, 5, '.').text()), 2, "no key chest");
  expect_error(compile_stage(StageText().set(12, 5, '.').text()), 2, "no exit door");
  StageText two_keys;
  two_keys.set(8, 3, 'K');
  expect_error(compile_stage(two_keys.text()), two_keys.line_of(5),
               "second key chest at column 2 row 5 (the first is at column 8 row 3");
  StageText two_exits;
  two_exits.set(15, 4, 'E');
  expect_error(compile_stage(two_exits.text()), two_exits.line_of(5), "second exit door");
}

TEST(Landmarks, StartDoorMustBeNearTheTopLeftWithRoomToItsRight) {
  // Moved to column 10: the whole room shifts along with it.
  StageText far_right;
  for (int r = 0; r < 7; ++r)
    far_right.rows()[r] = std::string(10, '_') + far_right.rows()[r].substr(0, 22);
  expect_error(compile_stage(far_right.text()), far_right.line_of(2), "columns 0..9, rows 0..12");

  StageText low;
  for (int r = 31; r >= 5; --r) low.rows()[r] = low.rows()[r - 5];
  for (int r = 0; r < 5; ++r) low.rows()[r] = std::string(32, '_');
  // The room now fills rows 5..11 with the door in row 7: still fine.
  const auto moved = compile_stage(low.text());
  EXPECT_TRUE(moved.stage) << dump(moved);

  StageText too_low;
  for (int r = 31; r >= 11; --r) too_low.rows()[r] = too_low.rows()[r - 11];
  for (int r = 0; r < 11; ++r) too_low.rows()[r] = std::string(32, '_');
  expect_error(compile_stage(too_low.text()), too_low.line_of(13), "columns 0..9, rows 0..12");

  expect_error(compile_stage(StageText().set(1, 2, '#').text()), 5, "column 1 row 2 is not floor");
  expect_error(compile_stage(StageText().set(2, 2, 'b').text()), 5, "column 2 row 2 is not floor");
}

TEST(Enemies, AtMostElevenPerStage) {
  StageText eleven;
  const int cells[][2] = {{6, 1}, {8, 1},  {10, 1}, {12, 1}, {14, 1}, {6, 3},
                          {8, 3}, {10, 3}, {12, 3}, {14, 3}, {10, 5}};
  for (const auto& c : cells) eleven.set(c[0], c[1], '1');
  const auto ok = compile_stage(eleven.text());
  EXPECT_TRUE(ok.stage) << dump(ok);

  StageText twelve = eleven;
  twelve.set(7, 5, '2');
  expect_error(compile_stage(twelve.text()), twelve.line_of(5), "too many enemies: 12");
}

TEST(Enemies, WalkersStandOnFloorAndGhostsStayInBounds) {
  expect_error(compile_stage(StageText().header("enemy: 2 15 3").text()), 2,
               "kind 2 at column 15 row 3 is not on floor (tile 16)");
  expect_error(compile_stage(StageText().header("enemy: 4 12 5").text()), 2,
               "not on floor (tile 18)");
  expect_error(compile_stage(StageText().header("enemy: 6 27 5").text()), 2,
               "outside the ghost's bounds");
  expect_error(compile_stage(StageText().header("enemy: 6 10 0").text()), 2,
               "outside the ghost's bounds");
  expect_error(compile_stage(StageText().header("enemy: 6 10 13").text()), 2,
               "outside the ghost's bounds");
  const auto edge = compile_stage(StageText().header("enemy: 6 26 12").text());
  EXPECT_TRUE(edge.stage) << dump(edge);
}

TEST(Enemies, KeepAwayFromTheStartAndFromEachOther) {
  StageText near_start;
  near_start.set(4, 4, '1');
  expect_error(compile_stage(near_start.text()), near_start.line_of(4),
               "within 4 cells of the start door");
  StageText just_outside;
  just_outside.set(5, 4, '1');
  EXPECT_TRUE(compile_stage(just_outside.text()).stage);

  StageText diagonal;
  diagonal.set(8, 1, '2').set(9, 2, '4');
  expect_error(
      compile_stage(diagonal.text()), diagonal.line_of(2),
      "stands next to the enemy of kind 2 from line " + std::to_string(diagonal.line_of(1)));
  StageText same_cell;
  same_cell.set(8, 1, '2').header("enemy: 5 8 1");
  expect_error(compile_stage(same_cell.text()), same_cell.line_of(1), "shares its cell");
  StageText gap;
  gap.set(8, 1, '2').set(10, 1, '4');
  EXPECT_TRUE(compile_stage(gap.text()).stage);
}

TEST(Reachability, KeyAndExitMustBeReachableFromTheStart) {
  // Wall off the right end of the room, with the exit inside it.
  StageText sealed_exit;
  for (int r = 1; r <= 5; ++r) sealed_exit.set(11, r, '#');
  const auto r1 = compile_stage(sealed_exit.text());
  expect_error(r1, sealed_exit.line_of(5), "exit door at column 12 row 5 cannot be reached");
  EXPECT_EQ(r1.errors.size(), 1u) << dump(r1);

  // The chest is walled in on every floor side; a diagonal neighbour does not count.
  StageText sealed_key;
  sealed_key.set(1, 5, '#').set(3, 5, '#').set(2, 4, '#');
  expect_error(compile_stage(sealed_key.text()), sealed_key.line_of(5),
               "key chest at column 2 row 5");

  // Floor next to the chest that is itself cut off does not help.
  StageText island;
  island.set(1, 5, '#').set(3, 5, '#').set(2, 4, '.').set(1, 4, '#').set(3, 4, '#').set(2, 3, '#');
  expect_error(compile_stage(island.text()), island.line_of(5), "key chest");
}

TEST(Reachability, EnemiesOnUnreachableFloorAreReported) {
  StageText s;
  for (int r = 1; r <= 5; ++r) s.set(11, r, '#');
  s.set(12, 5, '.').set(9, 5, 'E').set(13, 2, '4');
  expect_error(compile_stage(s.text()), s.line_of(2), "kind 4 at column 13 row 2 stands on floor");
  // A ghost needs no floor at all.
  StageText ghost;
  for (int r = 1; r <= 5; ++r) ghost.set(11, r, '#');
  ghost.set(12, 5, '.').set(9, 5, 'E').header("enemy: 6 13 2");
  EXPECT_TRUE(compile_stage(ghost.text()).stage);
}

TEST(FloorExtent, FloorStaysOffTheEdgeAndOnTheRadar) {
  StageText top;
  top.set(5, 0, '.');
  expect_error(compile_stage(top.text()), top.line_of(0),
               "column 5 row 0 touches the map's outer edge");
  StageText side;
  side.set(31, 20, '.');
  expect_error(compile_stage(side.text()), side.line_of(20), "outer edge");
  StageText bottom;
  bottom.set(3, 31, '.');
  expect_error(compile_stage(bottom.text()), bottom.line_of(31), "outer edge");
  StageText off_radar;
  off_radar.set(26, 5, '.');
  expect_error(compile_stage(off_radar.text()), off_radar.line_of(5), "outside the radar");
  StageText below_radar;
  below_radar.set(5, 12, '.');
  expect_error(compile_stage(below_radar.text()), below_radar.line_of(12), "outside the radar");
  // The last radar column and row are fine, even for floor nobody can reach.
  StageText corner;
  corner.set(25, 11, '.');
  EXPECT_TRUE(compile_stage(corner.text()).stage);
}

TEST(Diagnostics, ReportEveryProblemAtOnceInCompilerForm) {
  StageText s;
  s.set(20, 9, '?').set(21, 10, '!');
  s.header("legend: ? 3");
  const auto r = compile_stage(s.text());
  EXPECT_GE(r.errors.size(), 3u) << dump(r);
  ASSERT_FALSE(r.errors.empty());
  EXPECT_EQ(format_diagnostic("assets/stages/stage01.txt", {7, "bad"}),
            "assets/stages/stage01.txt:7: error: bad");
}

}  // namespace
}  // namespace stagec
