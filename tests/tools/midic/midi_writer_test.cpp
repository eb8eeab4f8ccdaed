#include "midi_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/midi_file.h"
#include "score.h"

namespace midic {
namespace {

constexpr uint32_t Q = kTicksPerQuarter;

// One decoded event with its status written out even where the file used
// running status.
struct Event {
  uint32_t tick;
  std::vector<uint8_t> bytes;
};

// Decodes the writer's own output (well-formed by construction; .at()
// turns any overrun into a test failure instead of a crash).
std::vector<std::vector<Event>> Decode(const std::vector<uint8_t>& file) {
  std::vector<std::vector<Event>> tracks;
  size_t pos = 14;
  auto big = [&](int n) {
    uint32_t v = 0;
    for (int i = 0; i < n; ++i) v = (v << 8) | file.at(pos++);
    return v;
  };
  auto varlen = [&] {
    uint32_t v = 0;
    uint8_t b;
    do {
      b = file.at(pos++);
      v = (v << 7) | (b & 0x7F);
    } while (b & 0x80);
    return v;
  };
  while (pos < file.size()) {
    EXPECT_EQ(big(4), 0x4D54726Bu);  // MTrk
    const uint32_t chunk_length = big(4);
    const size_t end = pos + chunk_length;
    std::vector<Event> events;
    uint32_t tick = 0;
    uint8_t running = 0;
    while (pos < end) {
      tick += varlen();
      uint8_t status = file.at(pos);
      if (status < 0x80) {
        status = running;
      } else {
        ++pos;
      }
      Event event{tick, {status}};
      if (status == 0xFF) {
        event.bytes.push_back(file.at(pos++));
        const uint32_t length = varlen();
        for (uint32_t i = 0; i < length; ++i) event.bytes.push_back(file.at(pos++));
        running = 0;
      } else {
        const int data = (status & 0xF0) == 0xC0 ? 1 : 2;
        for (int i = 0; i < data; ++i) event.bytes.push_back(file.at(pos++));
        running = status;
      }
      events.push_back(event);
    }
    EXPECT_EQ(pos, end);
    tracks.push_back(events);
  }
  return tracks;
}

std::vector<uint8_t> Compile(const std::string& text) {
  ParseResult parsed = ParseScore(text, "test.score");
  EXPECT_TRUE(parsed.ok()) << parsed.error;
  return parsed.ok() ? WriteMidiFile(*parsed.score) : std::vector<uint8_t>{};
}

TEST(MidiWriter, HeaderIsFormatOneWithAConductorTrack) {
  const std::vector<uint8_t> file =
      Compile("tempo 120\ntrack A channel 1\nC4\ntrack B channel 2\nD4\n");
  ASSERT_GE(file.size(), 14u);
  EXPECT_EQ(std::vector<uint8_t>(file.begin(), file.begin() + 14),
            (std::vector<uint8_t>{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 3, 0x01, 0xE0}));
  EXPECT_EQ(Decode(file).size(), 3u);
}

TEST(MidiWriter, ConductorHoldsTitleTimeSignatureAndTempos) {
  const auto tracks = Decode(
      Compile("title \"Hi\"\ntempo 120\ntime 6/8\ntrack A channel 1\nC4:4. tempo 60 C4:4.\n"));
  const std::vector<Event>& conductor = tracks.at(0);
  ASSERT_EQ(conductor.size(), 5u);
  EXPECT_EQ(conductor[0].bytes, (std::vector<uint8_t>{0xFF, 0x03, 'H', 'i'}));
  EXPECT_EQ(conductor[1].bytes, (std::vector<uint8_t>{0xFF, 0x58, 6, 3, 24, 8}));
  EXPECT_EQ(conductor[2].tick, 0u);
  EXPECT_EQ(conductor[2].bytes, (std::vector<uint8_t>{0xFF, 0x51, 0x07, 0xA1, 0x20}));
  EXPECT_EQ(conductor[3].tick, 3 * Q / 2);
  EXPECT_EQ(conductor[3].bytes, (std::vector<uint8_t>{0xFF, 0x51, 0x0F, 0x42, 0x40}));
  EXPECT_EQ(conductor[4].tick, 3 * Q);
  EXPECT_EQ(conductor[4].bytes, (std::vector<uint8_t>{0xFF, 0x2F}));
}

TEST(MidiWriter, TrackSetupThenNotesOnItsChannel) {
  const auto tracks = Decode(Compile(
      "tempo 120\ntrack Lead channel 3 program 81 volume 100 pan 30\n  v90 gate 50 C4:4 E4:8\n"));
  const std::vector<Event>& lead = tracks.at(1);
  ASSERT_EQ(lead.size(), 9u);
  EXPECT_EQ(lead[0].bytes, (std::vector<uint8_t>{0xFF, 0x03, 'L', 'e', 'a', 'd'}));
  EXPECT_EQ(lead[1].bytes, (std::vector<uint8_t>{0xC2, 80}));
  EXPECT_EQ(lead[2].bytes, (std::vector<uint8_t>{0xB2, 7, 100}));
  EXPECT_EQ(lead[3].bytes, (std::vector<uint8_t>{0xB2, 10, 30}));
  EXPECT_EQ(lead[4].tick, 0u);
  EXPECT_EQ(lead[4].bytes, (std::vector<uint8_t>{0x92, 60, 90}));
  EXPECT_EQ(lead[5].tick, Q / 2);  // gate 50
  EXPECT_EQ(lead[5].bytes, (std::vector<uint8_t>{0x82, 60, 64}));
  EXPECT_EQ(lead[6].tick, Q);
  EXPECT_EQ(lead[6].bytes, (std::vector<uint8_t>{0x92, 64, 90}));
  EXPECT_EQ(lead[7].tick, Q + Q / 4);
  EXPECT_EQ(lead[8].tick, Q + Q / 2);
  EXPECT_EQ(lead[8].bytes, (std::vector<uint8_t>{0xFF, 0x2F}));
}

TEST(MidiWriter, ARepeatedKeyIsReleasedBeforeItIsStruckAgain) {
  const auto tracks = Decode(Compile("tempo 120\ntrack A channel 1\n  gate 100 C4:8 C4 C4\n"));
  const std::vector<Event>& a = tracks.at(1);
  ASSERT_EQ(a.size(), 8u);  // name, 3 x (on, off), end
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(a[1 + 2 * i].bytes[0], 0x90);
    EXPECT_EQ(a[1 + 2 * i].tick, Q / 2 * static_cast<uint32_t>(i));
    EXPECT_EQ(a[2 + 2 * i].bytes[0], 0x80);
    EXPECT_EQ(a[2 + 2 * i].tick, Q / 2 * static_cast<uint32_t>(i + 1));
  }
}

TEST(MidiWriter, EveryTrackEndsAtTheEndOfTheLongestIncludingRests) {
  const auto tracks =
      Decode(Compile("tempo 120\ntrack A channel 1\nC4:1 r:1\ntrack B channel 2\nC4:4\n"));
  ASSERT_EQ(tracks.size(), 3u);
  for (const auto& track : tracks) {
    ASSERT_FALSE(track.empty());
    EXPECT_EQ(track.back().bytes, (std::vector<uint8_t>{0xFF, 0x2F}));
    EXPECT_EQ(track.back().tick, 8 * Q);
  }
}

TEST(MidiWriter, UsesRunningStatusAndLongDeltaTimes) {
  // Two note-ons at tick 0 share a status byte; a rest of 40 whole notes
  // needs a three-byte delta time.
  const std::vector<uint8_t> file =
      Compile("tempo 120\ntrack A channel 1\n(C4 E4):4 [ r:1 ]x40 D4\n");
  const auto tracks = Decode(file);
  const std::vector<Event>& a = tracks.at(1);
  EXPECT_EQ(a[1].bytes, (std::vector<uint8_t>{0x90, 60, 100}));
  EXPECT_EQ(a[2].bytes, (std::vector<uint8_t>{0x90, 64, 100}));
  const std::vector<uint8_t> shared = {0x00, 0x90, 60, 100, 0x00, 64, 100};
  EXPECT_NE(std::search(file.begin(), file.end(), shared.begin(), shared.end()), file.end());
  EXPECT_EQ(a[5].tick, Q + 40 * 4 * Q);
  EXPECT_EQ(a[5].bytes, (std::vector<uint8_t>{0x90, 62, 100}));
}

// The game measures pieces with its own reader: what midic writes must pass
// it and last exactly as long as the score says.
TEST(MidiWriter, TheGamesReaderAcceptsTheFileAndAgreesOnItsLength) {
  const std::vector<uint8_t> file = Compile(
      "tempo 120\ntime 4/4\n"
      "track A channel 1 program 1\n  C4:1 | tempo 240 [ C4:8 D4 ]x4 | r:1 |\n"
      "track Drums channel 10\n  [ (kick hat):4 snare ]x2 |\n");
  const kolvar::MidiFileResult result = kolvar::ParseMidiFile(file);
  ASSERT_TRUE(result.ok()) << result.error;
  EXPECT_EQ(result.info->format, 1);
  EXPECT_EQ(result.info->track_count, 3);
  EXPECT_EQ(result.info->length_ticks, 12 * Q);
  EXPECT_EQ(result.info->length_ms, 2000u + 1000u + 1000u);
}

}  // namespace
}  // namespace midic
