#include "midi_writer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/midi_file.h"
#include "score.h"

namespace midic {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Compile(const std::string& text) {
  ParseResult parsed = ParseScore(text, "t.score");
  EXPECT_TRUE(parsed.ok()) << parsed.error;
  return parsed.ok() ? WriteMidiFile(*parsed.score) : Bytes{};
}

// Every byte of a small piece: C4, then C4 again with E4 (the first C4 is
// released before it is struck again), then a rest that the end of track
// must still cover.
TEST(MidiWriter, WritesFormatOneWithAConductorTrack) {
  const Bytes expected = {
      'M',  'T',  'h',  'd',  0,    0,    0,    6,
      0,    1,    0,    2,    0x01, 0xE0,            // format 1, 2 tracks, 480
      'M',  'T',  'r',  'k',  0,    0,    0,    26,  //
      0x00, 0xFF, 0x03, 2,    'H',  'i',             // title
      0x00, 0xFF, 0x58, 4,    6,    3,    24,   8,   // 6/8
      0x00, 0xFF, 0x51, 3,    0x07, 0xA1, 0x20,      // 120 beats a minute
      0x85, 0x50, 0xFF, 0x2F, 0,                     // end at 720
      'M',  'T',  'r',  'k',  0,    0,    0,    37,  //
      0x00, 0xFF, 0x03, 1,    'A',                   // name
      0x00, 0xC2, 80,                                // program 81, channel 3
      0x00, 0x92, 60,   100,                         // C4 on
      0x81, 0x70, 0x82, 60,   64,                    // 240: C4 off first
      0x00, 0x92, 60,   100,  0x00, 64,   100,       // then C4 and E4 on
      0x81, 0x70, 0x82, 60,   64,   0x00, 64,   64,  // 480: both off
      0x81, 0x70, 0xFF, 0x2F, 0,                     // end at 720
  };
  EXPECT_EQ(Compile("title \"Hi\"\ntempo 120\ntime 6/8\n"
                    "track A channel 3 program 81\n  gate 100 C4:8 (C4 E4):8 r:8\n"),
            expected);
}

// The game measures pieces with its own reader: what midic writes must pass
// it and last exactly as long as the score says, through tempo changes and
// long rests, with every track ending at the end of the longest.
TEST(MidiWriter, TheGamesReaderAgreesOnTheLength) {
  const kolvar::MidiFileResult result = kolvar::ParseMidiFile(Compile(
      "tempo 120\ntime 4/4\n"
      "track A channel 1 volume 90 pan 10\n  C4:1 | tempo 240 [ C4:8 D4 ]x4 | [ r:1 ]x40 |\n"
      "track Drums channel 10\n  [ (kick hat):4 snare ]x2 |\n"));
  ASSERT_TRUE(result.ok()) << result.error;
  EXPECT_EQ(result.info->track_count, 3);
  EXPECT_EQ(result.info->length_ticks, 42u * 4 * kTicksPerQuarter);
  EXPECT_EQ(result.info->length_ms, 2000u + 41 * 1000u);
}

TEST(MidiWriter, TheGamesReaderTakesTheMostTracksTheScoreAllows) {
  std::string text = "tempo 120\n";
  for (int i = 0; i < 127; ++i) text += "track T" + std::to_string(i) + " channel 1\nC4\n";
  const kolvar::MidiFileResult result = kolvar::ParseMidiFile(Compile(text));
  ASSERT_TRUE(result.ok()) << result.error;
  EXPECT_EQ(result.info->track_count, kolvar::kMaxMidiTracks);
}

}  // namespace
}  // namespace midic
