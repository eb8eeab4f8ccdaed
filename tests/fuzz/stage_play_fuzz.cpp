// The stage loader and a few hundred frames of headless play on any stage.
// Input: the map file's 1024 bytes, the placement file's 1024 bytes (both
// padded with zeros when the input is shorter), then the keys: each byte holds
// a key in its low three bits (none, up, right, down, left, a Z tap, up and
// left together, Esc) for (byte >> 3) + 1 frames. The game state is checked
// after every play frame. With KOLVAR_FUZZ_TRACE=FILE set, the run is traced
// into FILE (to see what an input does).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "core/fatal_error.h"
#include "core/game.h"
#include "core/trace.h"
#include "flow/play_loop.h"
#include "fuzz_check.h"
#include "platform/headless/headless_platform.h"
#include "stage/map_check.h"
#include "stage/stage_files.h"
#include "support/invariants.h"
#include "support/scratch_folder.h"

namespace {

namespace fs = std::filesystem;

constexpr uint32_t kFrameMs = 41;
constexpr uint32_t kPlayMs = 400 * kFrameMs;  // the entry sequence included

class FuzzPlatform : public kolvar::HeadlessPlatform {
 public:
  explicit FuzzPlatform(kolvar::HeadlessOptions options) : HeadlessPlatform(std::move(options)) {}
  kolvar::Game* game = nullptr;

  uint16_t PollKey(kolvar::Key key) override {
    // The play loop polls Esc once a frame, after the frame is shown.
    if (key == kolvar::Key::Esc && game) {
      const std::string fault = kolvar::testing::CheckPlayInvariants(*game);
      kolvar::fuzz::Check(fault.empty(), fault);
    }
    return HeadlessPlatform::PollKey(key);
  }
};

// A folder of its own for the stage files, removed when the fuzzer ends.
const std::string& Root() {
  static const kolvar::testing::ScratchFolder folder("kolvar-fuzz");
  static const std::string path = [] {
    fs::create_directories(folder / "DATA");
    return folder.str();
  }();
  return path;
}

void WriteStage(int number, const uint8_t* bytes, const std::string& extension) {
  const std::string path = Root() + "/DATA/Stage0" + std::to_string(number) + extension;
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(bytes), kolvar::kStageFileBytes);
}

std::vector<kolvar::ScriptLine> Keys(const uint8_t* data, size_t size) {
  using kolvar::Key;
  using Action = kolvar::ScriptLine::Action;
  std::vector<kolvar::ScriptLine> script;
  uint32_t at = 0;
  for (size_t i = 0; i < size && at < kPlayMs; ++i) {
    const uint32_t length = ((data[i] >> 3) + 1u) * kFrameMs;
    auto hold = [&](Key key, uint32_t ms) {
      script.push_back({at, Action::kDown, key});
      script.push_back({at + ms, Action::kUp, key});
    };
    switch (data[i] & 7) {
      case 1:
        hold(Key::Up, length);
        break;
      case 2:
        hold(Key::Right, length);
        break;
      case 3:
        hold(Key::Down, length);
        break;
      case 4:
        hold(Key::Left, length);
        break;
      case 5:
        hold(Key::Z, kFrameMs / 2);
        break;
      case 6:
        hold(Key::Up, length);
        hold(Key::Left, length);
        break;
      case 7:
        hold(Key::Esc, kFrameMs / 2);
        break;
      default:
        break;
    }
    at += length;
  }
  return script;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  uint8_t files[2 * kolvar::kStageFileBytes] = {};
  const size_t stage_bytes = std::min(size, sizeof files);
  std::copy_n(data, stage_bytes, files);
  // Stage 2 is the same stage again, so a clear leads into a next stage.
  for (int number : {1, 2}) {
    WriteStage(number, files, ".MAP");
    WriteStage(number, files + kolvar::kStageFileBytes, ".IVM");
  }
  // A map the game refuses at start-up, before its window opens, must be
  // refused by the loader too, before any play, with the same message.
  std::string refusal;
  try {
    kolvar::StageFileBytes map;
    std::copy_n(files, map.size(), map.begin());
    kolvar::CheckStageMap(kolvar::StageFilePath(Root(), 1, ".MAP"), map);
  } catch (const kolvar::FatalError& error) {
    refusal = error.what();
  }

  kolvar::HeadlessOptions options;
  options.script = Keys(data + stage_bytes, size - stage_bytes);
  options.quit_at = kPlayMs;
  FuzzPlatform platform(std::move(options));
  // The sheets are decoded once; each run starts from a copy of that game.
  static const kolvar::Game pristine(platform, Root());
  kolvar::Game game = pristine;
  game.platform = &platform;
  game.BgmTimerMark = platform.Clock();
  platform.game = &game;
  game.StageNumber = 1;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> trace_file(nullptr, &std::fclose);
  std::unique_ptr<kolvar::Trace> trace;
  if (const char* path = std::getenv("KOLVAR_FUZZ_TRACE")) {
    trace_file.reset(std::fopen(path, "w"));
    if (trace_file) trace = std::make_unique<kolvar::Trace>(trace_file.get(), path);
    game.trace = trace.get();
  }
  bool stopped = false;
  try {
    kolvar::RunGame(game);
  } catch (const kolvar::CloseRequested&) {
  } catch (const kolvar::FatalError& error) {
    // A refused map stops the game as stage 1 loads; otherwise only the
    // third stage, which is missing, may stop it.
    kolvar::fuzz::Check(refusal.empty() ? game.StageNumber == 3 : error.what() == refusal,
                        error.what());
    stopped = true;
  }
  kolvar::fuzz::Check(refusal.empty() || stopped, "the loader took a refused map: " + refusal);
  return 0;
}
