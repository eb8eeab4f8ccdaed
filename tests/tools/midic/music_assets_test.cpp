// The game's four pieces, compiled from assets/music as the build does.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "midi_writer.h"
#include "platform/midi_file.h"
#include "score.h"

namespace midic {
namespace {

struct Piece {
  Score score;
  uint32_t ms = 0;
};

Piece Load(const std::string& name) {
  const std::string path = std::string(KOLVAR_MUSIC_SOURCE_DIR) + "/" + name;
  std::ostringstream text;
  text << std::ifstream(path).rdbuf();
  ParseResult parsed = ParseScore(text.str(), path);
  EXPECT_TRUE(parsed.ok()) << parsed.error;
  if (!parsed.ok()) return {};
  const kolvar::MidiFileResult file = kolvar::ParseMidiFile(WriteMidiFile(*parsed.score));
  EXPECT_TRUE(file.ok()) << file.error;
  return {*parsed.score, file.ok() ? file.info->length_ms : 0};
}

// A looping piece ends on a bar line with every track the same length, so
// each restart lands on the beat.
void ExpectLoops(const Piece& piece) {
  const uint32_t bar = 4 * kTicksPerQuarter * piece.score.beats_per_bar / piece.score.beat_unit;
  EXPECT_TRUE(piece.score.has_time_signature);
  EXPECT_EQ(piece.score.EndTick() % bar, 0u);
  for (const Track& track : piece.score.tracks) EXPECT_EQ(track.end_tick, piece.score.EndTick());
}

TEST(MusicAssets, TheLoopingThemes) {
  const Piece title = Load("title.score");
  EXPECT_GE(title.ms, 40000u);
  EXPECT_LE(title.ms, 60000u);
  ExpectLoops(title);

  const Piece stage = Load("main.score");
  EXPECT_GE(stage.ms, 40000u);
  EXPECT_LE(stage.ms, 60000u);
  ExpectLoops(stage);
  EXPECT_GE(stage.score.tracks.size(), 2u);
  EXPECT_LE(stage.score.tracks.size(), 3u);
  EXPECT_EQ(stage.score.tracks.back().channel, 9);  // drums
}

TEST(MusicAssets, TheShortPiecesLastAboutFourSeconds) {
  for (const char* name : {"clear.score", "gameover.score"}) {
    const Piece piece = Load(name);
    EXPECT_GE(piece.ms, 3000u) << name;
    EXPECT_LE(piece.ms, 5000u) << name;
  }
}

}  // namespace
}  // namespace midic
