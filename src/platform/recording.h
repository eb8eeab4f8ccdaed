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
//           bytes of the program's version line, the stage set (length and
//           bytes of the stage pack's name and of its folder's name, both
//           empty for the game's own stages; the number of stages; two
//           digests per stage, its map's and its enemy placement's, 4 bytes
//           each, little-endian), the clock at the start, the hi-score and
//           the Continue stage the game started with
//   record  varint  clock step << 2 | (answers follow) << 1 | close request
//           then, with answers: varint count, and per answer a varint of
//           the questions answered zero since the one before (in this
//           pass) and one byte: what << 2 | state, `what` 0-5 a game key
//           (state: bit 1 held, bit 0 pressed since the last poll) or 6
//           the music's "stopped" (state 1)
//
// Version 1 held no stage pack: always the 32 digests of the game's own
// sixteen stages. It is still read.
//
// docs/headless.md describes the format for people.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kolvar {

inline constexpr uint32_t kRecordingFormatVersion = 2;
inline constexpr uint32_t kOldestRecordingFormatVersion = 1;
inline constexpr std::string_view kRecordingMagic = "kolvar recording\n";
// The game's own stages, as version 1 always held them: sixteen stages, two
// digests each.
inline constexpr int kRecordedStageFiles = 32;
// The most stages a set holds (a stage pack's stage99.txt).
inline constexpr uint64_t kMostRecordedStages = 99;
// What a recorded answer is about besides the six game keys.
inline constexpr uint8_t kAnswerMusicStopped = 6;
// The most answers one pass may hold in a file read back: far more than a
// game asks between two event passes; more is a corrupt file, not memory to
// reserve.
inline constexpr uint64_t kMostAnswersPerPass = 4096;

struct RecordingHeader {
  // The version read; EncodeHeader writes this program's.
  uint32_t format_version = kRecordingFormatVersion;
  std::string program_version;
  // The stages played: two digests per stage, stage 1's map, stage 1's
  // enemy placement, stage 2's map...
  std::vector<uint32_t> stage_digests = std::vector<uint32_t>(kRecordedStageFiles);
  // The stage pack played (its pack.txt name and its folder's name); both
  // empty for the game's own stages.
  std::string pack_name;
  std::string pack_key;
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

  // Reads the header (of this format version or an older one). On a fault
  // returns a message: not a recording, or a recording of a format version
  // this program does not read (naming it and the ones it reads), or a
  // header cut short or holding a number out of range.
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
