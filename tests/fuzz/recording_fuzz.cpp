// A recording replayed headless through the title/game loop: any bytes
// replay up to where they stop making sense and end with a close, a note
// or the replay's own "went another way" error; never a crash or a hang. A
// header's stage set that differs from the game's own gives a printable
// refusal.
// Input: a whole recording file; one that does not start with the magic is
// taken as the records after a fixed header.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "core/fatal_error.h"
#include "core/game.h"
#include "fuzz_check.h"
#include "platform/headless/headless_platform.h"
#include "platform/printable.h"
#include "platform/recording.h"
#include "platform/replay_platform.h"
#include "flow/outer_loop.h"
#include "shell/recordings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  if (bytes.compare(0, kolvar::kRecordingMagic.size(), kolvar::kRecordingMagic) != 0) {
    kolvar::RecordingHeader header;
    header.program_version = "Kolvar fuzz";
    bytes = kolvar::EncodeHeader(header) + bytes;
  }
  kolvar::RecordingReader reader(bytes);
  kolvar::RecordingHeader header;
  if (reader.ReadHeader(header)) return 0;
  // The header's stage set checked against the game's own stages, as a
  // replay is: what the file says (the pack's name and folder) reaches the
  // refusal as printable text only.
  static const kolvar::StageSet own = kolvar::OwnStageSet(".");
  if (const auto difference = kolvar::StageSetDifference(header, own)) {
    kolvar::fuzz::Check(kolvar::IsPlainText(*difference), "a refusal with a control byte");
  }
  kolvar::ReplayPlatform* replay = nullptr;
  kolvar::HeadlessOptions options;
  options.music_folder = "MIDI";
  options.clock = [&replay] { return replay->Clock(); };
  kolvar::HeadlessPlatform headless(options);
  kolvar::ReplayOptions replay_options;
  replay_options.name = "fuzz.kvr";
  kolvar::ReplayPlatform replaying(headless, std::move(reader), header, replay_options);
  replay = &replaying;
  kolvar::Game game(replaying, ".");
  try {
    kolvar::RunProgram(game);
  } catch (const kolvar::CloseRequested&) {
    // Every replay ends with a close: the recorded one, or the one given
    // where the records stop.
    kolvar::fuzz::Check(
        replaying.EndNote().empty() || replaying.EndNote().rfind("fuzz.kvr: ", 0) == 0,
        "an end note that does not name the recording");
  } catch (const std::runtime_error& diverged) {
    kolvar::fuzz::Check(
        std::string(diverged.what()).rfind("fuzz.kvr: the replay went another way", 0) == 0,
        diverged.what());
  }
  return 0;
}
