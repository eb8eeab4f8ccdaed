// The text score: what midic reads. assets/music/README.md describes the
// language; this header holds the parsed piece, with every note placed on
// the tick grid.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace midic {

inline constexpr int kTicksPerQuarter = 480;

struct Note {
  uint32_t tick = 0;    // where the note starts
  uint32_t length = 0;  // how long it sounds (its written length times the gate), at least 1
  uint8_t key = 0;      // MIDI key number, 60 = C4
  uint8_t velocity = 0;
};

struct TempoChange {
  uint32_t tick = 0;
  uint32_t usec_per_quarter = 0;
};

struct Track {
  std::string name;
  int channel = 0;             // 0..15 (the score writes 1..16)
  std::optional<int> program;  // 0..127 (the score writes 1..128)
  std::optional<int> volume;   // controller 7
  std::optional<int> pan;      // controller 10
  std::vector<Note> notes;     // in the order they start
  uint32_t end_tick = 0;       // the tick after the track's last note or rest
};

struct Score {
  std::string title;
  int beats_per_bar = 4;  // the time signature, 4/4 unless the score says otherwise
  int beat_unit = 4;
  bool has_time_signature = false;
  std::vector<TempoChange> tempos;  // the first one at tick 0, then in tick order
  std::vector<Track> tracks;

  // Where the piece ends: the end of its longest track.
  uint32_t EndTick() const;
};

struct ParseResult {
  std::optional<Score> score;
  std::string error;  // "file:line: error: message" when the score is bad

  bool ok() const { return score.has_value(); }
};

// Parses score text. `file_name` only labels error messages.
ParseResult ParseScore(std::string_view text, std::string_view file_name);

}  // namespace midic
