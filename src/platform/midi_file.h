// Reads a Standard MIDI File just far enough to check it and to tell how
// long it plays.
//
// Both music devices open a piece only when this reader accepts it, so the
// silent device and the sounding one agree on which files are good. Every
// read is bounds-checked: a damaged file gives an error message, never a
// crash.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <vector>

namespace kolvar {

// An instrument a piece selects: a program change on a channel, with the
// bank that the channel's bank select (controller 0) had chosen by then.
struct MidiProgram {
  int channel = 0;  // 0..15
  int bank = 0;     // 0..127
  int program = 0;  // 0..127

  friend bool operator==(const MidiProgram&, const MidiProgram&) = default;
};

struct MidiFileInfo {
  int format = 0;  // 0, 1 or 2
  int track_count = 0;
  int ticks_per_quarter = 0;  // the header's division
  uint64_t length_ticks = 0;  // tick of the last event (end of track included) of any track
  uint32_t length_ms = 0;     // playing time up to length_ticks, following every tempo change
  std::vector<MidiProgram> programs;  // each distinct one once, in the order first met
};

struct MidiFileResult {
  std::optional<MidiFileInfo> info;  // set when the file is good
  std::string error;                 // what is wrong, when it is not
  bool missing = false;              // no file at the path at all

  bool ok() const { return info.has_value(); }
};

// The most tracks a file may have: the synthesizer's player refuses more.
inline constexpr int kMaxMidiTracks = 128;

MidiFileResult ParseMidiFile(std::span<const uint8_t> bytes);

// The largest MIDI file read. The game's pieces are a few kilobytes; the cap
// keeps a wrong file (or a link to a device) from filling the memory.
inline constexpr size_t kMaxMidiFileBytes = 1u << 20;

// Reads the whole file at `path` and parses it; a missing or unreadable file,
// one that is no regular file (a FIFO is refused, not waited on), or one
// larger than kMaxMidiFileBytes, is reported like a malformed one.
// When the file is good and `bytes` is given, it receives the file's bytes.
MidiFileResult ReadMidiFile(const std::string& path, std::vector<uint8_t>* bytes = nullptr);

// What a music device says about a piece it cannot play: one warning for
// each file, the first time it is opened ("FILE: what is wrong; playing on
// without it"), to `report` (standard error by default). A missing piece is
// not repeated here: the data folder's check names it at start.
class MidiWarnings {
 public:
  using Report = std::function<void(const std::string&)>;
  explicit MidiWarnings(Report report = {});
  void Warn(const MidiFileResult& file);

 private:
  Report report_;
  std::set<std::string> warned_;
};

}  // namespace kolvar
