// A fresh game on the headless platform, with helpers to build small maps
// inside a test.
#pragma once

#include <memory>
#include <string>

#include "core/game.h"
#include "platform/headless/headless_platform.h"

namespace kolvar::testing {

// A music device that only records what it was asked to do.
class RecordingMusic : public MusicDevice {
 public:
  void Close() override {
    log += "close;";
    open = false;
  }
  bool Open(const std::string& name) override {
    log += "open " + name + ";";
    open = true;
    playing = false;
    return true;
  }
  void Play() override {
    log += "play;";
    playing = open;
  }
  void Stop() override {
    log += "stop;";
    playing = false;
  }
  void SeekToStart() override { log += "seek;"; }
  bool IsStopped() override { return open && !playing; }

  std::string log;
  bool open = false;
  bool playing = false;
};

class TestPlatform : public HeadlessPlatform {
 public:
  // `script` uses the lines of an input file ("MS KEY down|up").
  // `keep_shown`: keep every shown picture for LastShown(); runs that only
  // play, like the bots, leave it off and run as fast as the real program.
  explicit TestPlatform(const std::string& script = "", bool keep_shown = true)
      : HeadlessPlatform(Options(script, keep_shown)) {}
  MusicDevice& Music() override { return music; }
  void SaveContinueStage(int32_t stage) override { kept_continue_stage = stage; }
  ConfirmControl ConfirmKey() override { return confirm; }
  RecordingMusic music;
  int32_t kept_continue_stage = 0;  // 0: none kept
  ConfirmControl confirm;           // as the headless runner: Z

 private:
  static HeadlessOptions Options(const std::string& script, bool keep_shown) {
    HeadlessOptions options;
    options.script = ParseInputScript(script, "test script");
    options.keep_shown = keep_shown;
    return options;
  }
};

struct TestGame {
  explicit TestGame(std::string root = ".", const std::string& script = "")
      : platform(script), game(platform, std::move(root)) {}
  TestPlatform platform;
  Game game;
};

// A surface of one colour.
Surface Filled(int width, int height, uint32_t colour);
// Fills the whole map with one code.
void FillMap(Game& game, uint8_t code);
// Sets a rectangle of cells (columns c0..c1, rows r0..r1 inclusive).
void SetCells(Game& game, int c0, int r0, int c1, int r1, uint8_t code);
// Places an active enemy of `kind` at map pixels (x, y) in `slot`.
EnemySlot& PlaceEnemy(Game& game, int slot, int32_t kind, int32_t x, int32_t y);

// Plays the title/game loop on `platform` until it closes, tracing to
// `trace_path`; returns the trace.
std::string PlayTraced(Platform& platform, const std::string& trace_path);

// A recording's bytes replayed headless (music from MIDI/) through the
// title/game loop, traced to `trace_path`.
struct Replayed {
  std::string header_fault;  // why the header was refused; then nothing was played
  std::string trace;
  std::string note;  // where and why the replay stopped early, else empty
  bool corrupt = false;
};
Replayed ReplayRecording(std::string bytes, const std::string& trace_path);

}  // namespace kolvar::testing
