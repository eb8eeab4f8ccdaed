// The game without a window or a sound card: a virtual clock that moves 1 ms
// each time the window would process its events, keys from a script, and
// pictures kept in memory (and written out as PNG on request). Tests, tools
// and CI play the game through it, deterministically and at full speed.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/pointer_tracker.h"

namespace kolvar {

class ContinueStore;
class HiScoreStore;

struct ScriptLine {
  enum class Action { kDown, kUp, kClose, kPointer, kType };
  uint32_t ms = 0;
  Action action = Action::kDown;
  Key key = Key::Z;
  // kPointer: where to, whether a finger, and whether it goes down (+1),
  // up (-1) or only moves (0) there.
  int x = 0, y = 0;
  bool touch = false;
  int button = 0;
  // kType: the typed keys, in order.
  std::vector<TypedKey> typed = {};
};

// Parses an input script: lines "MS KEY down", "MS KEY up" (KEY one of up,
// down, left, right, esc, z) and "MS close"; for the pointer "MS pointer X
// Y" (moves to the picture pixel X, Y), "MS pointer X Y down|up" (the button
// there) and the same with "touch" for a finger; for typing "MS type TEXT"
// (the rest of the line, '#' included, each character typed) and "MS press
// NAME" (a named key: return, backspace, delete, tab, home, end, pageup,
// pagedown, f1 .. f12, ctrl+LETTER). Blank lines and '#' comments are
// skipped. Throws std::invalid_argument "<name>:<line>: <fault>".
// Words of a faulty line are quoted with every byte outside printable ASCII
// written as \xNN.
std::vector<ScriptLine> ParseInputScript(const std::string& text, const std::string& name);

// The largest input script read: a week of key presses is far less.
inline constexpr size_t kMaxInputScriptBytes = 16u << 20;

// Reads and parses the script in the file `path`. A file that cannot be
// opened or read, is no regular file (a directory, a FIFO: refused at once)
// or is too large throws
// std::invalid_argument "<path>: cannot read the input script: <why>".
std::vector<ScriptLine> ReadInputScript(const std::string& path);

struct Screenshot {
  uint32_t ms = 0;
  std::string path;
};

struct HeadlessOptions {
  // Where the music device finds the pieces the game opens by name.
  std::string music_folder = "./MIDI";
  std::vector<ScriptLine> script;
  std::optional<uint32_t> quit_at;
  std::vector<Screenshot> shots;
  // The hi-score file to read at start and write when the hi-score rises,
  // with the Continue stage beside it (ContinueFileFor); empty: none, the
  // hi-score starts at 0, Continue at stage 1, and neither is kept.
  std::string hiscore_file;
  // Keep a copy of every picture shown, for LastShown(). Otherwise a shown
  // picture is copied only while a screenshot is still to be taken: the
  // copy is most of what a show costs, and a long run takes thousands.
  bool keep_shown = false;
  // Where the time comes from when something above the platform keeps it
  // (a recording being replayed): read at each PumpEvents instead of
  // moving 1 ms there. Empty: the platform's own clock.
  std::function<uint32_t()> clock;
};

class HeadlessPlatform : public Platform {
 public:
  explicit HeadlessPlatform(HeadlessOptions options);
  ~HeadlessPlatform() override;

  uint32_t Clock() override { return now_; }
  uint16_t PollKey(Key key) override;
  bool PumpEvents() override;
  void Idle(uint32_t) override {}
  void Show(PixelView picture) override;
  MusicDevice& Music() override { return *music_; }
  PointerState PollPointer() override;
  std::vector<TypedKey> TakeTypedKeys() override;
  int32_t LoadHiScore() override;
  void SaveHiScore(int32_t value) override;
  int32_t LoadContinueStage() override;
  void SaveContinueStage(int32_t stage) override;

  // Test hooks: press or release a key now, as a script line would.
  void PressKey(Key key);
  void ReleaseKey(Key key);
  // The picture last shown (empty before the first show); kept only with
  // HeadlessOptions::keep_shown.
  const std::vector<uint32_t>& LastShown() const { return shown_; }
  int shows() const { return shows_; }
  // Writes the screenshots whose time has come; the rest are written when
  // the platform is destroyed. Returns the first error, if any.
  std::string WriteDueShots(bool all);

 private:
  void ApplyScript();

  HeadlessOptions options_;
  uint32_t now_ = 0;
  size_t next_line_ = 0;
  bool close_requested_ = false;
  bool down_[kKeyCount] = {};
  bool pressed_[kKeyCount] = {};
  PointerTracker pointer_;
  std::vector<TypedKey> typed_;
  std::vector<uint32_t> shown_;
  int shown_width_ = 0, shown_height_ = 0;
  int shows_ = 0;
  std::vector<bool> shot_written_;
  size_t shots_left_ = 0;
  std::unique_ptr<MusicDevice> music_;
  std::unique_ptr<HiScoreStore> hiscore_;
  std::unique_ptr<ContinueStore> continue_;
};

}  // namespace kolvar
