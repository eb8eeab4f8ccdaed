// midic's score parser and MIDI writer on any text: a bad score is one
// "file:line: error:" message, and every file midic writes within the game's
// size cap is one the game's reader accepts, lasting as long as the score.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz_check.h"
#include "midi_writer.h"
#include "platform/midi_file.h"
#include "score.h"

static_assert(midic::kMaxMidiFileBytes == kolvar::kMaxMidiFileBytes);

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using kolvar::fuzz::Check;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const midic::ParseResult parsed = midic::ParseScore(text, "fuzz.score");
  if (!parsed.ok()) {
    Check(kolvar::fuzz::IsToolMessage(parsed.error, "fuzz.score"), "message: " + parsed.error);
    return 0;
  }
  const std::vector<uint8_t> bytes = midic::WriteMidiFile(*parsed.score);
  if (bytes.size() > midic::kMaxMidiFileBytes) return 0;  // midic refuses to write it
  const kolvar::MidiFileResult read = kolvar::ParseMidiFile(bytes);
  Check(read.ok(), "the game refuses what midic wrote: " + read.error);
  Check(read.info->track_count == static_cast<int>(parsed.score->tracks.size()) + 1, "track count");
  Check(read.info->length_ticks == parsed.score->EndTick(), "length");
  return 0;
}
