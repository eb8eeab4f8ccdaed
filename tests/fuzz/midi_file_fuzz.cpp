// The game's MIDI file reader on any bytes: it must answer, never crash, and
// what it accepts must be in range.
#include <cstddef>
#include <cstdint>

#include "fuzz_check.h"
#include "platform/midi_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using kolvar::fuzz::Check;
  const kolvar::MidiFileResult result = kolvar::ParseMidiFile({data, size});
  if (!result.ok()) {
    Check(!result.error.empty(), "a refusal without a reason");
    return 0;
  }
  const kolvar::MidiFileInfo& info = *result.info;
  Check(info.format >= 0 && info.format <= 2, "format");
  Check(info.track_count >= 1 && info.track_count <= kolvar::kMaxMidiTracks, "track count");
  Check(info.ticks_per_quarter >= 1 && info.ticks_per_quarter < 0x8000, "division");
  return 0;
}
