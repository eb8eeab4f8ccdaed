#include "platform/midi_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <random>
#include <string>
#include <vector>

namespace kolvar {
namespace {

using Bytes = std::vector<uint8_t>;

void AppendBig(Bytes& out, uint32_t value, int bytes) {
  for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8) {
    out.push_back(static_cast<uint8_t>(value >> shift));
  }
}

Bytes Header(uint16_t format, uint16_t tracks, uint16_t division) {
  Bytes out = {'M', 'T', 'h', 'd', 0, 0, 0, 6};
  AppendBig(out, format, 2);
  AppendBig(out, tracks, 2);
  AppendBig(out, division, 2);
  return out;
}

Bytes Chunk(const char* id, const Bytes& body) {
  Bytes out(id, id + 4);
  AppendBig(out, static_cast<uint32_t>(body.size()), 4);
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

// Track bodies, delta times written out by hand (0x83 0x60 = 480).
const Bytes kEndAt0 = {0x00, 0xFF, 0x2F, 0x00};
Bytes TempoEvent(uint32_t usec) {
  Bytes out = {0x00, 0xFF, 0x51, 0x03};
  AppendBig(out, usec, 3);
  return out;
}

// One note C4 held for a quarter (480 ticks), then the end of the track.
const Bytes kQuarterNote = {0x00, 0x90, 60, 100, 0x83, 0x60, 0x80, 60, 64, 0x00, 0xFF, 0x2F, 0x00};

MidiFileInfo ParseOk(const Bytes& bytes) {
  MidiFileResult result = ParseMidiFile(bytes);
  EXPECT_TRUE(result.ok()) << result.error;
  return result.info.value_or(MidiFileInfo{});
}

std::string ParseError(const Bytes& bytes) {
  MidiFileResult result = ParseMidiFile(bytes);
  EXPECT_FALSE(result.ok());
  return result.error;
}

// ---- lengths

TEST(MidiFileLength, DefaultTempoIs120BeatsAMinute) {
  const MidiFileInfo info = ParseOk(Cat({Header(0, 1, 480), Chunk("MTrk", kQuarterNote)}));
  EXPECT_EQ(info.format, 0);
  EXPECT_EQ(info.track_count, 1);
  EXPECT_EQ(info.ticks_per_quarter, 480);
  EXPECT_EQ(info.length_ticks, 480u);
  EXPECT_EQ(info.length_ms, 500u);
}

TEST(MidiFileLength, FollowsTempoChangesFromAnyTrack) {
  // Conductor: 60 bpm from the start. Track 2 changes to 240 bpm at tick 960
  // and plays on to tick 1920. 960 ticks at 1 s a beat, 960 at 0.25 s a beat.
  const Bytes conductor = Cat({TempoEvent(1000000), kEndAt0});
  const Bytes music = Cat({{0x00, 0x90, 60, 100},
                           {0x87, 0x40, 0xFF, 0x51, 0x03, 0x03, 0xD0, 0x90},  // 960: 250000
                           {0x87, 0x40, 0x80, 60, 0},
                           kEndAt0});
  const MidiFileInfo info =
      ParseOk(Cat({Header(1, 2, 480), Chunk("MTrk", conductor), Chunk("MTrk", music)}));
  EXPECT_EQ(info.length_ticks, 1920u);
  EXPECT_EQ(info.length_ms, 2000u + 500u);
}

TEST(MidiFileLength, LongestTrackSetsTheEndAndLateTempoChangesDoNotCount) {
  // Track 1 ends at 480; track 2 ends at 960 and changes tempo exactly at its
  // end, which must not affect the length.
  const Bytes second = {0x87, 0x40, 0xFF, 0x51, 0x03, 0x01, 0x00, 0x00, 0x00, 0xFF, 0x2F, 0x00};
  const MidiFileInfo info =
      ParseOk(Cat({Header(1, 2, 480), Chunk("MTrk", kQuarterNote), Chunk("MTrk", second)}));
  EXPECT_EQ(info.length_ticks, 960u);
  EXPECT_EQ(info.length_ms, 1000u);
}

TEST(MidiFileLength, TempoChangesAreOrderedByTickAcrossTracks) {
  // Track 1 sets 60 bpm at tick 480; track 2 sets 240 bpm at tick 0.
  // 480 ticks at 250 ms a beat, then 480 at 1000 ms a beat.
  const Bytes first = {0x83, 0x60, 0xFF, 0x51, 0x03, 0x0F, 0x42,
                       0x40, 0x83, 0x60, 0xFF, 0x2F, 0x00};
  const Bytes second = Cat({TempoEvent(250000), kEndAt0});
  const MidiFileInfo info =
      ParseOk(Cat({Header(1, 2, 480), Chunk("MTrk", first), Chunk("MTrk", second)}));
  EXPECT_EQ(info.length_ms, 250u + 1000u);
}

TEST(MidiFileLength, UsesTheHeaderDivision) {
  // 96 ticks a quarter: the 480-tick note lasts five beats.
  const MidiFileInfo info = ParseOk(Cat({Header(0, 1, 96), Chunk("MTrk", kQuarterNote)}));
  EXPECT_EQ(info.length_ms, 2500u);
}

// ---- event syntax that good files use

TEST(MidiFileEvents, AcceptsRunningStatusSysexMetaAndForeignChunks) {
  const Bytes track = {
      0x00, 0xFF, 0x03, 0x04, 'L',  'e',  'a', 'd',  // track name
      0x00, 0xF0, 0x03, 0x7E, 0x09, 0xF7,            // sysex
      0x00, 0xC0, 5,                                 // program change: one data byte
      0x00, 0x90, 60,   100,                         // note on
      0x00, 64,   100,                               // running status: another note on
      0x00, 0xF7, 0x01, 0x00,                        // escaped sysex packet
      0x83, 0x60, 0x80, 60,   0,                     // note off
      0x00, 62,   0,                                 // running status again
      0x00, 0xE0, 0x00, 0x40,                        // pitch bend
      0x00, 0xFF, 0x2F, 0x00, 0x12, 0x34,            // bytes after the end of the track are ignored
  };
  const Bytes foreign = Chunk("XFIH", {1, 2, 3});
  const MidiFileInfo info = ParseOk(Cat({Header(1, 1, 480), foreign, Chunk("MTrk", track)}));
  EXPECT_EQ(info.length_ticks, 480u);
  EXPECT_EQ(info.length_ms, 500u);
}

TEST(MidiFileEvents, FourByteDeltaTimesAreRead) {
  // 0x81 0x80 0x80 0x00 = 2^21 ticks = 4369 beats at 120.
  const Bytes track = {0x81, 0x80, 0x80, 0x00, 0xFF, 0x2F, 0x00};
  const MidiFileInfo info = ParseOk(Cat({Header(0, 1, 480), Chunk("MTrk", track)}));
  EXPECT_EQ(info.length_ticks, 1u << 21);
  EXPECT_EQ(info.length_ms, 2184533u);  // 2097152 * 500 / 480 = 2184533.3
}

// ---- malformed files

TEST(MidiFileErrors, RejectsBadHeaders) {
  EXPECT_NE(ParseError({}).find("MThd"), std::string::npos);
  EXPECT_NE(ParseError({'R', 'I', 'F', 'F', 0, 0, 0, 6}).find("MThd"), std::string::npos);
  Bytes long_header = {'M', 'T', 'h', 'd', 0, 0, 0, 8, 0, 0, 0, 1, 1, 0xE0, 0, 0};
  EXPECT_NE(ParseError(long_header).find("6 bytes"), std::string::npos);
  EXPECT_NE(ParseError({'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1}).find("header"), std::string::npos);
  const Bytes track = Chunk("MTrk", kQuarterNote);
  EXPECT_NE(ParseError(Cat({Header(3, 1, 480), track})).find("format 3"), std::string::npos);
  EXPECT_NE(ParseError(Cat({Header(1, 0, 480)})).find("no tracks"), std::string::npos);
  EXPECT_NE(ParseError(Cat({Header(1, 129, 480), track})).find("129 tracks"), std::string::npos);
  EXPECT_NE(ParseError(Cat({Header(0, 2, 480), track, track})).find("format 0"), std::string::npos);
  EXPECT_NE(ParseError(Cat({Header(1, 1, 0xE728), track})).find("SMPTE"), std::string::npos);
  EXPECT_NE(ParseError(Cat({Header(1, 1, 0), track})).find("zero"), std::string::npos);
}

TEST(MidiFileErrors, RejectsMissingAndCutTracks) {
  const Bytes track = Chunk("MTrk", kQuarterNote);
  EXPECT_NE(ParseError(Cat({Header(1, 2, 480), track})).find("after 1 of 2 tracks"),
            std::string::npos);
  Bytes cut = Cat({Header(1, 1, 480), track});
  cut.pop_back();
  EXPECT_NE(ParseError(cut).find("past the end of the file"), std::string::npos);
}

TEST(MidiFileErrors, RejectsBadEvents) {
  auto error_for = [](const Bytes& body) {
    return ParseError(Cat({Header(0, 1, 480), Chunk("MTrk", body)}));
  };
  EXPECT_NE(error_for({0x00, 0x90, 60, 100}).find("no end-of-track"), std::string::npos);
  EXPECT_NE(error_for({0x00, 60, 100, 0x00, 0xFF, 0x2F, 0x00}).find("no running status"),
            std::string::npos);
  // Meta and sysex events cancel running status.
  EXPECT_NE(error_for({0x00, 0x90, 60, 100, 0x00, 0xFF, 0x01, 0x00, 0x00, 62, 100, 0x00, 0xFF, 0x2F,
                       0x00})
                .find("no running status"),
            std::string::npos);
  EXPECT_NE(error_for({0x00, 0x90, 60, 0x90, 0x00, 0xFF, 0x2F, 0x00}).find("top bit"),
            std::string::npos);
  EXPECT_NE(error_for({0x00, 0xF4, 0x00, 0xFF, 0x2F, 0x00}).find("0xF4"), std::string::npos);
  EXPECT_NE(error_for({0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0xFF, 0x2F, 0x00}).find("four bytes"),
            std::string::npos);
  EXPECT_NE(error_for({0x00, 0xFF, 0x51, 0x02, 0x07, 0xA1, 0x00, 0xFF, 0x2F, 0x00}).find("tempo"),
            std::string::npos);
  EXPECT_NE(error_for({0x00, 0xFF, 0x51, 0x03, 0, 0, 0, 0x00, 0xFF, 0x2F, 0x00}).find("zero"),
            std::string::npos);
  EXPECT_NE(error_for({0x00, 0xFF, 0x01, 0x10, 'a', 'b'}).find("runs past the track"),
            std::string::npos);
  EXPECT_NE(error_for({0x00, 0xF0, 0x10, 0x7E}).find("runs past the track"), std::string::npos);
  EXPECT_NE(error_for({0x00, 0x90, 60}).find("cut short"), std::string::npos);
  EXPECT_NE(error_for({0x00, 0xFF, 0x2F}).find("meta"), std::string::npos);
}

TEST(MidiFileErrors, ErrorsNameTheTrack) {
  const Bytes bad = {0x00, 0xF4, 0x00, 0xFF, 0x2F, 0x00};
  const std::string error =
      ParseError(Cat({Header(1, 2, 480), Chunk("MTrk", kQuarterNote), Chunk("MTrk", bad)}));
  EXPECT_EQ(error.rfind("track 2:", 0), 0u) << error;
}

// A track chunk's length limits its events even when more bytes follow in
// the file: an event that runs over the chunk end is an error, not a read
// into the next chunk.
TEST(MidiFileErrors, EventsStayInsideTheirChunk) {
  const Bytes partial = {0x00, 0x90, 60};  // the velocity byte lies outside the chunk
  const Bytes file = Cat({Header(1, 2, 480), Chunk("MTrk", partial), Bytes{100, 0x00, 0xFF, 0x2F},
                          Chunk("MTrk", kQuarterNote)});
  EXPECT_FALSE(ParseMidiFile(file).ok());
}

// Every prefix of a good file is cut short somewhere: each must give an
// error and none may read past its end (run under a sanitizer to see it).
TEST(MidiFileRobustness, EveryTruncationIsAnError) {
  const Bytes conductor = Cat({TempoEvent(400000), kEndAt0});
  const Bytes good =
      Cat({Header(1, 2, 480), Chunk("MTrk", conductor), Chunk("MTrk", kQuarterNote)});
  ASSERT_TRUE(ParseMidiFile(good).ok());
  for (size_t size = 0; size < good.size(); ++size) {
    const Bytes prefix(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(size));
    EXPECT_FALSE(ParseMidiFile(prefix).ok()) << "prefix of " << size << " bytes";
  }
}

TEST(MidiFileRobustness, CorruptedBytesNeverBreakTheReader) {
  const Bytes conductor = Cat({TempoEvent(400000), kEndAt0});
  const Bytes good =
      Cat({Header(1, 2, 480), Chunk("MTrk", conductor), Chunk("MTrk", kQuarterNote)});
  std::mt19937 random(1234);
  int rejected = 0;
  for (int round = 0; round < 5000; ++round) {
    Bytes bad = good;
    const int changes = 1 + static_cast<int>(random() % 3);
    for (int i = 0; i < changes; ++i) {
      bad[random() % bad.size()] = static_cast<uint8_t>(random());
    }
    const MidiFileResult result = ParseMidiFile(bad);
    if (!result.ok()) {
      ++rejected;
      EXPECT_FALSE(result.error.empty());
    }
  }
  EXPECT_GT(rejected, 1000);
}

TEST(MidiFileRead, ReportsTheFileItCannotOpen) {
  const MidiFileResult result = ReadMidiFile("/nonexistent/kolvar/title.mid");
  EXPECT_FALSE(result.ok());
  EXPECT_NE(result.error.find("/nonexistent/kolvar/title.mid"), std::string::npos);
}

TEST(MidiFileRead, ReadsAFileFromDisk) {
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / "kolvar_midi_file_test.mid";
  const Bytes bytes = Cat({Header(0, 1, 480), Chunk("MTrk", kQuarterNote)});
  {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
  }
  const MidiFileResult result = ReadMidiFile(path.string());
  std::filesystem::remove(path);
  ASSERT_TRUE(result.ok()) << result.error;
  EXPECT_EQ(result.info->length_ms, 500u);
}

}  // namespace
}  // namespace kolvar
