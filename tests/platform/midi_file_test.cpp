#include "platform/midi_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "support/scratch_folder.h"

namespace kolvar {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Header(uint8_t format, uint8_t tracks, uint16_t division = 480) {
  return {'M',
          'T',
          'h',
          'd',
          0,
          0,
          0,
          6,
          0,
          format,
          0,
          tracks,
          static_cast<uint8_t>(division >> 8),
          static_cast<uint8_t>(division)};
}

Bytes Track(const Bytes& body, const char* id = "MTrk") {
  const auto n = static_cast<uint32_t>(body.size());
  Bytes out = {uint8_t(id[0]),
               uint8_t(id[1]),
               uint8_t(id[2]),
               uint8_t(id[3]),
               static_cast<uint8_t>(n >> 24),
               static_cast<uint8_t>(n >> 16),
               static_cast<uint8_t>(n >> 8),
               static_cast<uint8_t>(n)};
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

// C4 held for a quarter (delta 0x83 0x60 = 480 ticks), then end of track.
const Bytes kNote = {0x00, 0x90, 60, 100, 0x83, 0x60, 0x80, 60, 64, 0x00, 0xFF, 0x2F, 0x00};
// 60 beats a minute at tick 0, end of track.
const Bytes kSlow = {0x00, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40, 0x00, 0xFF, 0x2F, 0x00};

TEST(MidiFile, LengthFollowsTheTempoMapOfAllTracks) {
  // No tempo event: 120 beats a minute; the header's division counts.
  auto info = ParseMidiFile(Cat({Header(0, 1), Track(kNote)})).info;
  ASSERT_TRUE(info);
  EXPECT_EQ(info->length_ticks, 480u);
  EXPECT_EQ(info->length_ms, 500u);
  EXPECT_EQ(ParseMidiFile(Cat({Header(0, 1, 96), Track(kNote)})).info->length_ms, 2500u);

  // Track 1 goes to 60 bpm at tick 480; track 2, listed later, sets 240 bpm
  // at tick 0 and a tempo at its end (1440) that must not count.
  const Bytes first = {0x83, 0x60, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40, 0x83, 0x60, 0xFF, 0x2F, 0};
  const Bytes second = {0x00, 0xFF, 0x51, 0x03, 0x03, 0xD0, 0x90, 0x8B, 0x20, 0xFF,
                        0x51, 0x03, 0x01, 0x00, 0x00, 0x00, 0xFF, 0x2F, 0x00};
  info = ParseMidiFile(Cat({Header(1, 2), Track(first), Track(second)})).info;
  ASSERT_TRUE(info);
  EXPECT_EQ(info->track_count, 2);
  EXPECT_EQ(info->length_ticks, 1440u);
  EXPECT_EQ(info->length_ms, 250u + 2000u);  // 480 ticks at 250 ms a beat, 960 at 1 s
}

TEST(MidiFile, ReadsRunningStatusSysexMetaAndForeignChunks) {
  const Bytes body = {
      0x00, 0xFF, 0x03, 0x02, 'h',  'i',        // track name
      0x00, 0xF0, 0x02, 0x7E, 0xF7,             // sysex
      0x00, 0xC0, 5,                            // program change: one data byte
      0x00, 0x90, 60,   100,  0x00, 64,   100,  // the second note on uses running status
      0x81, 0x80, 0x80, 0x00, 0x80, 60,   0,    // four-byte delta time: 2^21 ticks
      0x00, 0xFF, 0x2F, 0x00, 0x12, 0x34,       // bytes after the end are ignored
  };
  const auto result = ParseMidiFile(Cat({Header(1, 1), Track({1, 2}, "XFIH"), Track(body)}));
  ASSERT_TRUE(result.ok()) << result.error;
  EXPECT_EQ(result.info->length_ticks, 1u << 21);
  EXPECT_EQ(ParseMidiFile(Cat({Header(1, 1), Track(kSlow)})).info->length_ms, 0u);
}

TEST(MidiFile, ListsTheProgramsEachChannelSelectsWithTheirBanks) {
  const Bytes first = {
      0x00, 0xC0, 80,             // channel 1: program 80, bank 0
      0x00, 0xB2, 0x00, 8,        // channel 3 selects bank 8 ...
      0x00, 0xC2, 5,    0x00, 6,  // ... then programs 5 and 6 (running status)
      0x00, 0xC0, 80,             // a repeat is listed once
      0x00, 0xFF, 0x2F, 0x00,
  };
  const Bytes second = {0x00, 0xC9, 16, 0x00, 0xC2, 5, 0x00, 0xFF, 0x2F, 0x00};
  const auto info = ParseMidiFile(Cat({Header(1, 2), Track(first), Track(second)})).info;
  ASSERT_TRUE(info);
  // The second track's channel 3 has not selected a bank of its own.
  const std::vector<MidiProgram> expected = {
      {0, 0, 80}, {2, 8, 5}, {2, 8, 6}, {9, 0, 16}, {2, 0, 5}};
  EXPECT_EQ(info->programs, expected);
}

TEST(MidiFile, MalformedFilesGiveTheReason) {
  const Bytes note = Track(kNote);
  auto one = [](const Bytes& body) { return Cat({Header(0, 1), Track(body)}); };
  Bytes cut_chunk = Cat({Header(0, 1), note});
  cut_chunk.pop_back();
  const std::vector<std::pair<Bytes, std::string>> cases = {
      {{}, "MThd"},
      {{'M', 'T', 'h', 'd', 0, 0, 0, 8, 0, 0, 0, 1, 1, 0xE0, 0, 0}, "6 bytes"},
      {Cat({Header(3, 1), note}), "format 3"},
      {Cat({Header(1, 0)}), "no tracks"},
      {Cat({Header(0, 2), note, note}), "format 0"},
      {Cat({Header(1, 1, 0xE728), note}), "SMPTE"},
      {Cat({Header(1, 2), note}), "after 1 of 2 tracks"},
      {cut_chunk, "past the end of the file"},
      {one({0x00, 0x90, 60, 100}), "no end-of-track"},
      {one({0x00, 60, 100, 0x00, 0xFF, 0x2F, 0}), "no running status"},
      {one({0x00, 0x90, 60, 100, 0x00, 0xFF, 0x01, 0, 0x00, 62, 100, 0x00, 0xFF, 0x2F, 0}),
       "no running status"},  // a meta event cancels running status
      {one({0x00, 0x90, 60, 0x90, 0x00, 0xFF, 0x2F, 0}), "top bit"},
      {one({0x00, 0xF4, 0x00, 0xFF, 0x2F, 0}), "0xF4"},
      {one({0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0xFF, 0x2F, 0}), "four bytes"},
      {one({0x00, 0xFF, 0x51, 0x02, 0x07, 0xA1, 0x00, 0xFF, 0x2F, 0}), "3 bytes"},
      {one({0x00, 0xFF, 0x01, 0x10, 'a'}), "runs past the track"},
      {Cat({Header(1, 2), note, Track({0x00, 0x90, 60}), Bytes{100}}), "track 2: cut short"},
  };
  for (const auto& [bytes, reason] : cases) {
    const MidiFileResult result = ParseMidiFile(bytes);
    EXPECT_FALSE(result.ok()) << reason;
    EXPECT_NE(result.error.find(reason), std::string::npos) << result.error;
  }
}

// Every proper prefix of a good file is cut short somewhere, and random
// damage must give either a reading or an error: never a crash or a read
// past the end (the sanitizer build makes that visible).
TEST(MidiFile, SurvivesTruncationAndDamage) {
  const Bytes good = Cat({Header(1, 2), Track(kSlow), Track(kNote)});
  ASSERT_TRUE(ParseMidiFile(good).ok());
  for (size_t size = 0; size < good.size(); ++size) {
    EXPECT_FALSE(ParseMidiFile(Bytes(good.begin(), good.begin() + size)).ok()) << size;
  }
  std::mt19937 random(1234);
  int rejected = 0;
  for (int round = 0; round < 5000; ++round) {
    Bytes bad = good;
    for (int i = 0; i < 2; ++i) bad[random() % bad.size()] = static_cast<uint8_t>(random());
    const MidiFileResult result = ParseMidiFile(bad);
    if (!result.ok()) ++rejected;
    EXPECT_EQ(result.ok(), result.error.empty());
  }
  EXPECT_GT(rejected, 1000);
}

TEST(MidiFile, ReadErrorsNameTheFile) {
  const MidiFileResult result = ReadMidiFile("/nonexistent/kolvar/title.mid");
  EXPECT_FALSE(result.ok());
  EXPECT_EQ(result.error.rfind("/nonexistent/kolvar/title.mid: ", 0), 0u) << result.error;
}

// A good piece padded with a chunk of an unknown kind up to a given size: the
// parser skips such chunks, so only the size decides.
Bytes PaddedPiece(size_t size) {
  Bytes piece = Cat({Header(0, 1), Track(kNote)});
  Bytes padding = Track(Bytes(size - piece.size() - 8), "XFIL");
  return Cat({piece, padding});
}

TEST(MidiFile, FilesOverTheSizeCapAreRefusedUnread) {
  namespace fs = std::filesystem;
  const testing::ScratchFolder scratch("kolvar_midi_cap_test");
  const fs::path dir = scratch / "music";
  fs::create_directories(dir);
  const struct {
    const char* name;
    size_t size;
    bool ok;
  } cases[] = {{"at_cap.mid", kMaxMidiFileBytes, true},
               {"over_cap.mid", kMaxMidiFileBytes + 1, false}};
  for (const auto& c : cases) {
    const Bytes bytes = PaddedPiece(c.size);
    std::ofstream(dir / c.name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    const MidiFileResult result = ReadMidiFile((dir / c.name).string());
    EXPECT_EQ(result.ok(), c.ok) << c.name << ": " << result.error;
  }
  // A link to a device that never ends is refused, not read until memory
  // runs out, and a FIFO is refused, not waited on.
  fs::remove(dir / "title.mid");
  fs::create_symlink("/dev/zero", dir / "title.mid");
  ASSERT_EQ(mkfifo((dir / "fifo.mid").c_str(), 0644), 0);
  const struct {
    const char* name;
    const char* error;
  } refused[] = {{"title.mid", ": a character device, not a file"},
                 {"fifo.mid", ": a FIFO, not a file"}};
  for (const auto& r : refused) {
    const MidiFileResult result = ReadMidiFile((dir / r.name).string());
    EXPECT_EQ(result.error, (dir / r.name).string() + r.error);
  }
  fs::remove_all(dir);
}

}  // namespace
}  // namespace kolvar
