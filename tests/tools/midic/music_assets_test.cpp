// The game's four pieces, compiled from assets/music as the build does.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "midi_writer.h"
#include "platform/midi_file.h"
#include "score.h"

namespace midic {
namespace {

struct Piece {
  Score score;
  kolvar::MidiFileInfo info;
};

Piece Load(const std::string& name) {
  const std::string path = std::string(KOLVAR_MUSIC_SOURCE_DIR) + "/" + name;
  std::ifstream in(path);
  std::ostringstream text;
  text << in.rdbuf();
  EXPECT_TRUE(in.good()) << "cannot read " << path;
  ParseResult parsed = ParseScore(text.str(), path);
  EXPECT_TRUE(parsed.ok()) << parsed.error;
  if (!parsed.ok()) return {};
  const kolvar::MidiFileResult file = kolvar::ParseMidiFile(WriteMidiFile(*parsed.score));
  EXPECT_TRUE(file.ok()) << file.error;
  return {*parsed.score, file.info.value_or(kolvar::MidiFileInfo{})};
}

uint32_t BarTicks(const Score& score) {
  return 4 * kTicksPerQuarter / static_cast<uint32_t>(score.beat_unit) *
         static_cast<uint32_t>(score.beats_per_bar);
}

// A looping piece ends on a bar line with every track the same length, so
// the restart lands on the beat.
void ExpectLoopsCleanly(const Piece& piece) {
  ASSERT_TRUE(piece.score.has_time_signature);
  EXPECT_EQ(piece.score.EndTick() % BarTicks(piece.score), 0u);
  for (const Track& track : piece.score.tracks) {
    EXPECT_EQ(track.end_tick, piece.score.EndTick()) << "track " << track.name;
  }
}

bool HasDrums(const Score& score) {
  for (const Track& track : score.tracks) {
    if (track.channel == 9 && !track.notes.empty()) return true;
  }
  return false;
}

// More than a scale: the melody uses several different pitches and note
// lengths.
void ExpectMelodic(const Track& track) {
  std::set<int> keys, lengths;
  for (const Note& note : track.notes) {
    keys.insert(note.key);
    lengths.insert(static_cast<int>(note.length));
  }
  EXPECT_GE(keys.size(), 5u) << track.name;
  EXPECT_GE(lengths.size(), 2u) << track.name;
}

TEST(MusicAssets, TitleThemeLoopsForHalfAMinuteOrSo) {
  const Piece piece = Load("title.score");
  EXPECT_GE(piece.info.length_ms, 30000u);
  EXPECT_LE(piece.info.length_ms, 40000u);
  ExpectLoopsCleanly(piece);
  ASSERT_FALSE(piece.score.tracks.empty());
  ExpectMelodic(piece.score.tracks[0]);
}

TEST(MusicAssets, StageThemeHasMelodyBassAndDrums) {
  const Piece piece = Load("main.score");
  EXPECT_GE(piece.info.length_ms, 40000u);
  EXPECT_LE(piece.info.length_ms, 60000u);
  ExpectLoopsCleanly(piece);
  EXPECT_GE(piece.score.tracks.size(), 2u);
  EXPECT_LE(piece.score.tracks.size(), 3u);
  EXPECT_TRUE(HasDrums(piece.score));
  ASSERT_FALSE(piece.score.tracks.empty());
  ExpectMelodic(piece.score.tracks[0]);
}

TEST(MusicAssets, ClearFanfareAndGameOverJingleAreShort) {
  for (const char* name : {"clear.score", "gameover.score"}) {
    const Piece piece = Load(name);
    EXPECT_GE(piece.info.length_ms, 3000u) << name;
    EXPECT_LE(piece.info.length_ms, 5000u) << name;
    ASSERT_FALSE(piece.score.tracks.empty());
    ExpectMelodic(piece.score.tracks[0]);
  }
}

}  // namespace
}  // namespace midic
