#include "score.h"

#include <gtest/gtest.h>

#include <string>

namespace midic {
namespace {

constexpr uint32_t Q = kTicksPerQuarter;

Score Parse(const std::string& text) {
  ParseResult result = ParseScore(text, "test.score");
  EXPECT_TRUE(result.ok()) << result.error;
  return result.score.value_or(Score{});
}

// Parses a one-track score whose body is `body`.
Track ParseBody(const std::string& body) {
  Score score = Parse("tempo 120\ntime 4/4\ntrack T channel 1\n" + body + "\n");
  return score.tracks.empty() ? Track{} : score.tracks[0];
}

std::string Error(const std::string& text) {
  ParseResult result = ParseScore(text, "test.score");
  EXPECT_FALSE(result.ok()) << "accepted:\n" << text;
  return result.error;
}

std::string BodyError(const std::string& body) {
  return Error("tempo 120\ntime 4/4\ntrack T channel 1\n" + body + "\n");
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

TEST(ScorePitch, NoteNamesOctavesAndAccidentals) {
  const Track track = ParseBody("C4 C#4 Db4 B3 Cb4 B#3 A4 G9 C-1 F##2 Ebb5");
  EXPECT_EQ(Keys(track), (std::vector<int>{60, 61, 61, 59, 59, 60, 69, 127, 0, 43, 74}));
}

TEST(ScorePitch, DrumNamesAndKeyNumbers) {
  const Track track = ParseBody("kick snare hat ohat crash ride n35 n0 n127");
  EXPECT_EQ(Keys(track), (std::vector<int>{36, 38, 42, 46, 49, 51, 35, 0, 127}));
}

TEST(ScorePitch, BadPitchesAreReportedWithTheirLine) {
  EXPECT_EQ(BodyError("C4 D4\nH4"),
            "test.score:5: unknown note 'H4' (notes are C D E F G A B "
            "with an octave, like C4 or F#3; rests are r)");
  EXPECT_NE(BodyError("C").find("needs an octave"), std::string::npos);
  EXPECT_NE(BodyError("C#x").find("needs an octave"), std::string::npos);
  EXPECT_NE(BodyError("G#9").find("outside the MIDI range"), std::string::npos);
  EXPECT_NE(BodyError("Cb-1").find("outside the MIDI range"), std::string::npos);
  EXPECT_NE(BodyError("n128").find("n0 to n127"), std::string::npos);
  EXPECT_NE(BodyError("c4").find("unknown note"), std::string::npos);
}

TEST(ScoreDuration, PlainDottedTripletAndTied) {
  const Track track = ParseBody("C4:1 C4:2 C4:4 C4:8 C4:16 C4:32 C4:64 C4:4. C4:4.. C4:8t C4:2~8");
  std::vector<uint32_t> expected_starts;
  uint32_t tick = 0;
  for (uint32_t length :
       {4 * Q, 2 * Q, Q, Q / 2, Q / 4, Q / 8, Q / 16, Q * 3 / 2, Q * 7 / 4, Q / 3, 2 * Q + Q / 2}) {
    expected_starts.push_back(tick);
    tick += length;
  }
  EXPECT_EQ(Starts(track), expected_starts);
  EXPECT_EQ(track.end_tick, tick);
}

TEST(ScoreDuration, ALengthHoldsUntilTheNextOneIsWritten) {
  // Quarter by default; rests set it too.
  const Track track = ParseBody("C4 D4:8 E4 r:2 F4 G4");
  EXPECT_EQ(Starts(track), (std::vector<uint32_t>{0, Q, Q + Q / 2, 4 * Q, 6 * Q}));
  EXPECT_EQ(track.end_tick, 8 * Q);
}

TEST(ScoreDuration, BadDurations) {
  EXPECT_NE(BodyError("C4:3").find("bad duration"), std::string::npos);
  EXPECT_NE(BodyError("C4:128").find("bad duration"), std::string::npos);
  EXPECT_NE(BodyError("C4:4x").find("bad duration"), std::string::npos);
  EXPECT_NE(BodyError("C4:").find("missing duration"), std::string::npos);
  EXPECT_NE(BodyError("C4:4~").find("empty part"), std::string::npos);
  EXPECT_NE(BodyError("C4:64...").find("too many dots"), std::string::npos);
  EXPECT_NE(BodyError("C4 :4").find("must follow"), std::string::npos);
}

TEST(ScoreExpression, VelocityAccentAndGate) {
  const Track track = ParseBody("v50 C4 C4! v120 C4!:8 gate 50 C4:4 gate 1 C4:64");
  ASSERT_EQ(track.notes.size(), 5u);
  EXPECT_EQ(track.notes[0].velocity, 50);
  EXPECT_EQ(track.notes[1].velocity, 70);          // accent adds 20
  EXPECT_EQ(track.notes[2].velocity, 127);         // and stops at the top
  EXPECT_EQ(track.notes[0].length, Q * 90 / 100);  // the default gate is 90%
  EXPECT_EQ(track.notes[2].length, Q / 2 * 90 / 100);
  EXPECT_EQ(track.notes[3].length, Q / 2);
  EXPECT_EQ(track.notes[4].length, 1u);  // never shorter than a tick
  EXPECT_NE(BodyError("v0").find("v1 to v127"), std::string::npos);
  EXPECT_NE(BodyError("v128").find("v1 to v127"), std::string::npos);
  EXPECT_NE(BodyError("gate 0").find("1 to 100"), std::string::npos);
  EXPECT_NE(BodyError("r!").find("cannot be accented"), std::string::npos);
  EXPECT_NE(BodyError("C4!:4!").find("two accents"), std::string::npos);
}

TEST(ScoreChord, NotesStrikeTogetherAndTimeMovesOnce) {
  const Track track = ParseBody("v80 (C4 E4! G4):2 (kick hat)!:8 D4");
  ASSERT_EQ(track.notes.size(), 6u);
  EXPECT_EQ(Starts(track), (std::vector<uint32_t>{0, 0, 0, 2 * Q, 2 * Q, 2 * Q + Q / 2}));
  EXPECT_EQ(track.notes[0].velocity, 80);
  EXPECT_EQ(track.notes[1].velocity, 100);                 // accented inside the chord
  EXPECT_EQ(track.notes[3].velocity, 100);                 // accented after it
  EXPECT_EQ(track.notes[5].tick + Q / 2, track.end_tick);  // D4 kept the eighth
}

TEST(ScoreChord, BadChords) {
  EXPECT_NE(BodyError("(C4 E4").find("never closed"), std::string::npos);
  EXPECT_NE(BodyError("C4 )").find("without a '('"), std::string::npos);
  EXPECT_NE(BodyError("()").find("empty chord"), std::string::npos);
  EXPECT_NE(BodyError("(C4:4 E4)").find("no duration of its own"), std::string::npos);
  EXPECT_NE(BodyError("(C4 r)").find("cannot hold a rest"), std::string::npos);
  EXPECT_NE(BodyError("(C4 C4)").find("twice"), std::string::npos);
  EXPECT_NE(BodyError("(C4 [ E4 ])").find("only notes"), std::string::npos);
  EXPECT_NE(BodyError("(C4 E4):4x").find("bad duration"), std::string::npos);
}

TEST(ScoreRepeat, RepeatsExpandAndNest) {
  // [A [B]x3]x2 C, and ']' alone repeats twice.
  const Track track = ParseBody("[ C4:8 [ D4 ]x3 ]x2 [ E4 ] F4");
  EXPECT_EQ(Keys(track), (std::vector<int>{60, 62, 62, 62, 60, 62, 62, 62, 64, 64, 65}));
  EXPECT_EQ(track.end_tick, 11 * Q / 2);
}

TEST(ScoreRepeat, BadRepeats) {
  EXPECT_EQ(BodyError("C4\n[ D4\nE4"), "test.score:5: '[' is never closed in track 'T'");
  EXPECT_NE(BodyError("C4 ]").find("without a '['"), std::string::npos);
  EXPECT_NE(BodyError("[ C4 ]x0").find("x1 to x99"), std::string::npos);
  EXPECT_NE(BodyError("[ C4 ]x100").find("x1 to x99"), std::string::npos);
}

TEST(ScoreRepeat, RunawayRepeatsStopWithAnError) {
  const std::string error = BodyError("[[[[ C4:1 ]x99 ]x99 ]x99 ]x99");
  EXPECT_TRUE(error.find("too long") != std::string::npos ||
              error.find("too many notes") != std::string::npos)
      << error;
}

TEST(ScoreBars, BarLinesCheckTheCountInsideRepeatsToo) {
  EXPECT_EQ(ParseBody("C4:2 C4 | [ C4:1 | ]x3 C4:4 C4:2. |").end_tick, 5 * 4 * Q);
  EXPECT_EQ(BodyError("C4:2 C4:4 |"),
            "test.score:4: bar line in track 'T' falls on beat 4 of bar 1, not at the start of "
            "a bar");
  // Fine on the first pass, one eighth off on the second.
  EXPECT_NE(BodyError("[ C4:1 | C4:8 ]x2 |").find("beat 1.5 of bar 3"), std::string::npos);
  EXPECT_NE(Error("tempo 120\ntrack T channel 1\nC4:1 |\n").find("needs a 'time' line"),
            std::string::npos);
}

TEST(ScoreBars, OtherTimeSignatures) {
  const Score score =
      Parse("tempo 100\ntime 6/8\ntrack T channel 1\nC4:4. C4 | C4:8 C4:4 C4:4. |\n");
  EXPECT_EQ(score.beats_per_bar, 6);
  EXPECT_EQ(score.beat_unit, 8);
  EXPECT_NE(Error("tempo 100\ntime 3/4\ntrack T channel 1\nC4:1 |\n").find("beat 2 of bar 2"),
            std::string::npos);
  EXPECT_NE(Error("tempo 100\ntime 4/3\n").find("like 4/4"), std::string::npos);
  EXPECT_NE(Error("tempo 100\ntime four\n").find("like 4/4"), std::string::npos);
}

TEST(ScoreHeader, TitleTempoAndTrackSettings) {
  const Score score = Parse(
      "# a comment line\n"
      "title \"The Title\"   # trailing comment\n"
      "tempo 150\n"
      "track \"Lead Line\" channel 2 program 81 volume 100 pan 20\n"
      "  C4\n"
      "track Drums channel 10\n"
      "  kick # F#4 here is a comment, not a note\n");
  EXPECT_EQ(score.title, "The Title");
  ASSERT_EQ(score.tempos.size(), 1u);
  EXPECT_EQ(score.tempos[0].usec_per_quarter, 400000u);
  ASSERT_EQ(score.tracks.size(), 2u);
  EXPECT_EQ(score.tracks[0].name, "Lead Line");
  EXPECT_EQ(score.tracks[0].channel, 1);
  EXPECT_EQ(score.tracks[0].program, 80);
  EXPECT_EQ(score.tracks[0].volume, 100);
  EXPECT_EQ(score.tracks[0].pan, 20);
  EXPECT_EQ(score.tracks[1].channel, 9);
  EXPECT_FALSE(score.tracks[1].program.has_value());
  EXPECT_EQ(score.tracks[1].notes.size(), 1u);
}

TEST(ScoreHeader, TempoChangesInsideTracksLandAtTheirPosition) {
  const Score score = Parse(
      "tempo 120\n"
      "track A channel 1\n  C4:1 tempo 60 C4:1\n"
      "track B channel 2\n  C4:2 tempo 90 C4:2 tempo 100\n");
  ASSERT_EQ(score.tempos.size(), 3u);
  EXPECT_EQ(score.tempos[0].tick, 0u);
  EXPECT_EQ(score.tempos[1].tick, 2 * Q);
  EXPECT_EQ(score.tempos[1].usec_per_quarter, 666667u);
  EXPECT_EQ(score.tempos[2].tick, 4 * Q);  // track B's 100 replaced track A's 60
  EXPECT_EQ(score.tempos[2].usec_per_quarter, 600000u);
  EXPECT_EQ(score.EndTick(), 8 * Q);
}

TEST(ScoreHeader, HeaderMistakes) {
  EXPECT_EQ(Error("track T channel 1\nC4\n"),
            "test.score:1: the score needs a 'tempo' line before its first track");
  EXPECT_NE(Error("tempo 120\n").find("no tracks"), std::string::npos);
  EXPECT_NE(Error("tempo 120\nC4\n").find("before any track"), std::string::npos);
  EXPECT_NE(Error("tempo 10\n").find("out of range"), std::string::npos);
  EXPECT_NE(Error("tempo\n120\n").find("needs a number"), std::string::npos);
  EXPECT_NE(Error("tempo 120\ntempo 130\n").find("already set"), std::string::npos);
  EXPECT_NE(Error("tempo 120 fast\n").find("unexpected 'fast'"), std::string::npos);
  EXPECT_NE(Error("tempo 120\ntrack T\n").find("needs a channel"), std::string::npos);
  EXPECT_NE(Error("tempo 120\ntrack\n").find("needs a name"), std::string::npos);
  EXPECT_NE(Error("tempo 120\ntrack T channel 17\n").find("out of range"), std::string::npos);
  EXPECT_NE(Error("tempo 120\ntrack T channel 1 program 0\n").find("out of range"),
            std::string::npos);
  EXPECT_NE(Error("tempo 120\ntrack T channel 1 reverb 9\n").find("unknown track setting"),
            std::string::npos);
  EXPECT_NE(Error("tempo 120\ntrack T channel 1\ntime 3/4\n").find("before the first track"),
            std::string::npos);
  EXPECT_NE(Error("tempo 120\ntrack T channel 1\ntitle x\n").find("before the first track"),
            std::string::npos);
  EXPECT_NE(Error("title \"open\ntempo 120\n").find("not closed"), std::string::npos);
  EXPECT_NE(Error("tempo 120\ntrack T channel 1\n\"C4\"\n").find("quoted"), std::string::npos);
}

}  // namespace
}  // namespace midic
