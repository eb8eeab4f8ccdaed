// The recording of a game: everything the platform told the game, so that
// the game can be played again exactly, with no window and no wall clock.
//
// The game asks the platform four kinds of question whose answers can
// differ from one run to the next: the clock, the keys, whether the window
// is to close, and whether the music stands still. The clock moves only
// when the window processes its events, so a recording is a list of event
// passes: what the keys and the music answered since the previous pass
// (only the answers that were not zero or false, with how many questions
// came before each), then how far the clock moved and whether the window
// was asked to close.
//
// The file (".kvr") is a header, then one record per pass, each written
// whole when its pass ends:
//
//   header  "kolvar recording\n", then varints: format version, length and
//           bytes of the program's version line, 32 stage-file digests as
//           4 bytes each (little-endian), the clock at the start, the
//           hi-score and the Continue stage the game started with
//   record  varint  clock step << 2 | (answers follow) << 1 | close request
//           then, with answers: varint count, and per answer a varint of
//           the questions answered zero since the one before (in this
//           pass) and one byte: what << 2 | state, `what` 0-5 a game key
//           (state: bit 1 held, bit 0 pressed since the last poll) or 6
//           the music's "stopped" (state 1)
//
// docs/headless.md describes the format for people.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kolvar {

inline constexpr uint32_t kRecordingFormatVersion = 1;
inline constexpr std::string_view kRecordingMagic = "kolvar recording\n";
inline constexpr int kRecordedStageFiles = 32;
// What a recorded answer is about besides the six game keys.
inline constexpr uint8_t kAnswerMusicStopped = 6;
// The most answers one pass may hold in a file read back: far more than a
// game asks between two event passes; more is a corrupt file, not memory to
// reserve.
inline constexpr uint64_t kMostAnswersPerPass = 4096;

struct RecordingHeader {
  uint32_t format_version = kRecordingFormatVersion;
  std::string program_version;
  std::array<uint32_t, kRecordedStageFiles> stage_digests{};
  uint32_t start_clock = 0;
  int32_t hiscore = 0;
  int32_t continue_stage = 1;
};

struct RecordedAnswer {
  uint32_t skipped = 0;  // questions answered zero before this one in the pass
  uint8_t what = 0;      // 0-5: a Key; kAnswerMusicStopped
  uint8_t state = 0;     // a key: bit 1 held, bit 0 pressed; music: 1
};

struct RecordedPass {
  std::vector<RecordedAnswer> answers;
  uint32_t clock_step = 0;
  bool close = false;
};

// The key poll's answer (bit 15 held, bit 0 pressed) as the two bits a
// recording keeps, and back.
inline uint8_t KeyStateBits(uint16_t answer) {
  return static_cast<uint8_t>((answer >> 15 & 1) << 1 | (answer & 1));
}
inline uint16_t KeyAnswer(uint8_t state) {
  return static_cast<uint16_t>((state & 2 ? 0x8000 : 0) | (state & 1));
}

// The bytes of a header and of one record.
std::string EncodeHeader(const RecordingHeader& header);
void AppendPass(std::string& out, const RecordedPass& pass);

// Reads a recording held in memory, record by record.
class RecordingReader {
 public:
  explicit RecordingReader(std::string bytes);

  // Reads the header. On a fault returns a message: not a recording, or a
  // recording of another format version (naming both versions), or a
  // header cut short.
  std::optional<std::string> ReadHeader(RecordingHeader& header);

  enum class Result { kPass, kEnd, kTruncated, kCorrupt };
  // The next record into `pass`. kEnd: the file ends after a whole record;
  // kTruncated: it ends inside one; kCorrupt: a record no recorder writes
  // (fault() says what). After anything but kPass nothing more is read.
  Result Next(RecordedPass& pass);

  // Where the next record starts (the byte offset of the fault after
  // kTruncated or kCorrupt: the start of the record that could not be read).
  size_t offset() const { return record_start_; }
  size_t size() const { return bytes_.size(); }
  const std::string& fault() const { return fault_; }

 private:
  bool Varint(uint64_t& value);
  bool Byte(uint8_t& value);

  std::string bytes_;
  size_t at_ = 0;
  size_t record_start_ = 0;
  bool short_ = false;  // the last read ran past the end of the bytes
  std::string fault_;
};

}  // namespace kolvar
