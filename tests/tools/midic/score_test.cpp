#include "score.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace midic {
namespace {

constexpr uint32_t Q = kTicksPerQuarter;
const std::string kHead = "tempo 120\ntime 4/4\ntrack T channel 1\n";  // the body starts on line 4

Score Parse(const std::string& text) {
  ParseResult result = ParseScore(text, "t.score");
  EXPECT_TRUE(result.ok()) << result.error;
  return result.score.value_or(Score{});
}

Track Body(const std::string& body) {
  Score score = Parse(kHead + body + "\n");
  return score.tracks.empty() ? Track{} : score.tracks[0];
}

std::vector<int> Keys(const Track& track) {
  std::vector<int> keys;
  for (const Note& note : track.notes) keys.push_back(note.key);
  return keys;
}

std::vector<uint32_t> Starts(const Track& track) {
  std::vector<uint32_t> ticks;
  for (const Note& note : track.notes) ticks.push_back(note.tick);
  return ticks;
}

TEST(Score, PitchesDrumsAndKeyNumbers) {
  EXPECT_EQ(Keys(Body("C4 C#4 Db4 Cb4 B#3 A4 G9 C-1 F##2 Ebb5 kick hat crash n35")),
            (std::vector<int>{60, 61, 61, 59, 60, 69, 127, 0, 43, 74, 36, 42, 49, 35}));
}

TEST(Score, DurationsCarryOnAndChordsMoveTimeOnce) {
  // 4, then 8 carried to E4, dotted, double-dotted, triplet, tied, whole.
  Track track = Body("C4 D4:8 E4 F4:4. G4:4.. A4:8t B4:2~8 r:1 C5");
  EXPECT_EQ(Starts(track), (std::vector<uint32_t>{0, Q, 3 * Q / 2, 2 * Q, 7 * Q / 2, 21 * Q / 4,
                                                  67 * Q / 12, 145 * Q / 12}));
  EXPECT_EQ(track.end_tick, track.notes.back().tick + 4 * Q);

  track = Body("v80 (C4 E4! G4):2 (kick hat)!:8 D4");
  EXPECT_EQ(Starts(track), (std::vector<uint32_t>{0, 0, 0, 2 * Q, 2 * Q, 5 * Q / 2}));
  EXPECT_EQ(track.notes[0].velocity, 80);
  EXPECT_EQ(track.notes[1].velocity, 100);  // an accent adds 20
  EXPECT_EQ(track.notes[3].velocity, 100);
  EXPECT_EQ(track.end_tick, 3 * Q);  // D4 kept the chord's eighth
}

TEST(Score, VelocityAccentAndGate) {
  const Track track = Body("C4 v120 C4!:8 gate 50 C4:4 gate 1 C4:64");
  EXPECT_EQ(track.notes[0].velocity, 100);       // the starting velocity
  EXPECT_EQ(track.notes[0].length, Q * 9 / 10);  // the starting gate is 90%
  EXPECT_EQ(track.notes[1].velocity, 127);       // accents stop at the top
  EXPECT_EQ(track.notes[2].length, Q / 2);
  EXPECT_EQ(track.notes[3].length, 1u);  // never shorter than a tick
}

TEST(Score, RepeatsNestAndBarLinesAreCheckedOnEveryPass) {
  EXPECT_EQ(Keys(Body("[ C4:8 [ D4 ]x3 ]x2 [ E4 ] F4")),
            (std::vector<int>{60, 62, 62, 62, 60, 62, 62, 62, 64, 64, 65}));
  EXPECT_EQ(Body("C4:2 C4 | [ C4:1 | ]x3 C4:4 C4:2. |").end_tick, 20 * Q);
  const Score waltz =
      Parse("tempo 90\ntime 6/8\ntrack T channel 1\nC4:4. C4 | C4:8 C4:4 C4:4. |\n");
  EXPECT_EQ(waltz.EndTick(), 6 * Q);
}

TEST(Score, HeaderTrackSettingsAndTempoChanges) {
  const Score score = Parse(
      "# a comment line\ntitle \"The Title\"  # and a trailing one\ntempo 120\n"
      "track \"Lead Line\" channel 2 program 81 volume 100 pan 20\n  C4:1 tempo 60 C4:1\n"
      "track Drums channel 10\n  C4:2 tempo 90 C4:2 tempo 100 kick # F#4 is not a note here\n");
  EXPECT_EQ(score.title, "The Title");
  ASSERT_EQ(score.tracks.size(), 2u);
  const Track& lead = score.tracks[0];
  EXPECT_EQ(lead.name, "Lead Line");
  EXPECT_EQ(lead.channel, 1);
  EXPECT_EQ(lead.program, 80);
  EXPECT_EQ(lead.volume, 100);
  EXPECT_EQ(lead.pan, 20);
  EXPECT_FALSE(score.tracks[1].program.has_value());
  EXPECT_EQ(score.tracks[1].notes.size(), 3u);
  // Tempo changes from any track, in tick order; at the same tick the later
  // track wins.
  ASSERT_EQ(score.tempos.size(), 3u);
  EXPECT_EQ(score.tempos[0].usec_per_quarter, 500000u);
  EXPECT_EQ(score.tempos[1].tick, 2 * Q);
  EXPECT_EQ(score.tempos[1].usec_per_quarter, 666667u);
  EXPECT_EQ(score.tempos[2].tick, 4 * Q);
  EXPECT_EQ(score.tempos[2].usec_per_quarter, 600000u);
}

TEST(Score, MistakesAreReportedWithFileLineAndReason) {
  EXPECT_EQ(
      ParseScore(kHead + "C4 D4\nH4\n", "t.score").error,
      "t.score:5: error: unknown note 'H4' (notes are C D E F G A B with an octave, like C4 or "
      "F#3; rests are r)");
  EXPECT_EQ(ParseScore(kHead + "C4:2 C4:4 |\n", "t.score").error,
            "t.score:4: error: bar line in track 'T' falls on beat 4 of bar 1, not at the start of "
            "a bar");
  EXPECT_EQ(ParseScore(kHead + "C4\n[ D4\nE4\n", "t.score").error,
            "t.score:5: error: '[' is never closed in track 'T'");
  const std::vector<std::pair<std::string, std::string>> cases = {
      {kHead + "C", "needs an octave"},
      {kHead + "G#9", "outside the MIDI range"},
      {kHead + "C357913941", "outside the MIDI range"},
      {kHead + "C-2147483648", "outside the MIDI range"},
      {kHead + "C4:3", "bad duration"},
      {kHead + "C4:", "missing duration"},
      {kHead + "C4:64...", "too many dots"},
      {kHead + "C4 :4", "must follow"},
      {kHead + "v0", "v1 to v127"},
      {kHead + "r!", "cannot be accented"},
      {kHead + "C4!:4!", "two accents"},
      {kHead + "(C4 E4", "never closed"},
      {kHead + "(C4:4 E4)", "no duration of its own"},
      {kHead + "(C4 r)", "cannot hold a rest"},
      {kHead + "(C4 C4)", "twice"},
      {kHead + "[ C4 ]x100", "x1 to x99"},
      {kHead + "[ C4:1 | C4:8 ]x2 |", "beat 1.5 of bar 3"},
      {kHead + "[[[[ C4:1 ]x99 ]x99 ]x99 ]x99", "too long"},
      {kHead + "[[[ C4:64 ]x99 ]x99 ]x20", "too many notes"},
      // Bodies that take no time never meet the tick limit.
      {kHead + "[[[[[[ ]x99 ]x99 ]x99 ]x99 ]x99 ]x99",
       "unfolds to more than 1000000 notes, rests and repeats"},
      {kHead + "[[[[[[ tempo 120 ]x99 ]x99 ]x99 ]x99 ]x99 ]x99", "unfolds to more than"},
      {kHead + std::string(150000, '[') + " C4 " + std::string(150000, ']'),
       "nest more than 16 deep"},
      {kHead + std::string(17, '[') + " C4 " + std::string(17, ']'), "nest more than 16 deep"},
      {"tempo 120\ntrack T channel 1\nC4:1 |", "needs a 'time' line"},
      {"tempo 100\ntime 3/4\ntrack T channel 1\nC4:1 |", "beat 2 of bar 2"},
      {"track T channel 1\nC4", "needs a 'tempo' line"},
      {"tempo 120", "no tracks"},
      {"tempo 10", "out of range"},
      {"tempo 120\ntempo 130", "already set"},
      {"tempo 120 fast", "unexpected 'fast'"},
      {"tempo 120\ntrack T", "needs a channel"},
      {"tempo 120\ntrack T channel 17", "out of range"},
      {"tempo 120\ntrack T channel 1 reverb 9", "unknown track setting"},
      {"tempo 120\ntrack T channel 1\ntime 3/4", "before the first track"},
      {"tempo 120\ntrack T channel 1\n\"C4\"", "quoted"},
  };
  for (const auto& [text, reason] : cases) {
    const ParseResult result = ParseScore(text, "t.score");
    EXPECT_FALSE(result.ok()) << text;
    EXPECT_NE(result.error.find(reason), std::string::npos) << text << "\n -> " << result.error;
  }
}

TEST(Score, LimitsLeaveRoomForRealPieces) {
  // Sixteen levels of repeats and 127 tracks (128 with the tempo track, the
  // most a MIDI file may hold for the game) still compile.
  const std::string nested = std::string(16, '[') + " C4:64 " + std::string(16, ']');
  EXPECT_EQ(Body(nested).notes.size(), 65536u);
  std::string tracks = "tempo 120\n";
  for (int i = 0; i < 127; ++i) tracks += "track T" + std::to_string(i) + " channel 1\nC4\n";
  EXPECT_EQ(Parse(tracks).tracks.size(), 127u);
  const ParseResult more = ParseScore(tracks + "track Extra channel 1\nC4\n", "t.score");
  EXPECT_EQ(more.error, "t.score:256: error: a piece holds at most 127 tracks");
}

}  // namespace
}  // namespace midic
