#include "editor/play_test.h"

#include <utility>

#include "audio/music.h"
#include "core/fatal_error.h"
#include "flow/play_loop.h"

namespace kolvar {

namespace {

// A platform passing the editor's own through: its keys, clock, pictures,
// music, pointer and typing; nothing else (no hi-score, no Continue stage,
// no recording), so that a game played on it leaves the player's game as
// it was.
class ForwardingPlatform : public Platform {
 public:
  explicit ForwardingPlatform(Platform& inner) : inner_(inner) {}

  uint32_t Clock() override { return inner_.Clock(); }
  uint16_t PollKey(Key key) override { return inner_.PollKey(key); }
  bool PumpEvents() override { return inner_.PumpEvents(); }
  void Idle(uint32_t ms) override { inner_.Idle(ms); }
  void Show(PixelView picture) override { inner_.Show(picture); }
  MusicDevice& Music() override { return inner_.Music(); }
  ConfirmControl ConfirmKey() override { return inner_.ConfirmKey(); }
  PointerState PollPointer() override { return inner_.PollPointer(); }
  std::vector<TypedKey> TakeTypedKeys() override { return inner_.TakeTypedKeys(); }
  void SetTyping(bool on) override { inner_.SetTyping(on); }

 protected:
  Platform& inner_;
};

// The platform the play-test plays on: the editor's own.
using PlayTestPlatform = ForwardingPlatform;

// Gives the game back to the editor however the play ended.
class EditorRestore {
 public:
  explicit EditorRestore(Game& g) : g_(g), platform_(g.platform), hiscore_(g.HiScore) {}
  ~EditorRestore() {
    g_.platform = platform_;
    g_.stages.clear();
    g_.HiScore = hiscore_;
    g_.platform->SetTyping(true);
    // What was typed or touched in play is not the editor's.
    g_.platform->TakeTypedKeys();
    g_.platform->PollPointer();
  }
  EditorRestore(const EditorRestore&) = delete;
  EditorRestore& operator=(const EditorRestore&) = delete;
  Platform* platform() const { return platform_; }

 private:
  Game& g_;
  Platform* platform_;
  int32_t hiscore_;
};

// The platform a clear is watched on: the keys and the clock are those of
// the proof's machine following the clear's keys (1 ms each event pass, as
// the proof played them), the pictures and the music the editor's own, and
// each event pass waits for the editor's clock to catch up, so the clear
// plays at the game's pace. Esc is the viewer's.
class WatchPlatform final : public ForwardingPlatform {
 public:
  WatchPlatform(Platform& inner, std::vector<bots::KeyEvent> keys) : ForwardingPlatform(inner) {
    machine_.Follow(std::move(keys));
  }

  uint32_t Clock() override { return machine_.Clock(); }
  uint16_t PollKey(Key key) override {
    return key == Key::Esc ? inner_.PollKey(key) : machine_.PollKey(key);
  }
  bool PumpEvents() override {
    machine_.PumpEvents();
    if (!started_) {
      started_ = true;
      base_inner_ = inner_.Clock();
      base_machine_ = machine_.Clock();
    }
    for (;;) {
      if (inner_.PumpEvents()) return true;
      const uint32_t due = machine_.Clock() - base_machine_;
      const uint32_t played = inner_.Clock() - base_inner_;
      if (played >= due) return false;
      inner_.Idle(due - played);
    }
  }
  void Idle(uint32_t) override {}

 private:
  bots::SimPlatform machine_;
  bool started_ = false;
  uint32_t base_inner_ = 0, base_machine_ = 0;
};

// Holds the last picture for a moment, the window still answering.
void Linger(Game& g, int32_t ms) {
  const uint32_t start = g.platform->Clock();
  while (static_cast<int32_t>(g.platform->Clock() - start) < ms) {
    if (g.platform->PumpEvents()) throw CloseRequested{};
    if (g.platform->PollKey(Key::Esc) & 1) return;
    g.platform->Idle(10);
  }
}

}  // namespace

std::string WatchClear(Game& g, const EditedStage& stage, std::vector<bots::KeyEvent> keys) {
  const std::optional<StageGrids> grids = PlayableGrids(stage);
  if (!grids) return "The stage has faults; mend them to watch it";

  WatchPlatform platform(*g.platform, std::move(keys));
  EditorRestore restore(g);
  // The proof played a game of its own from its start: the random source
  // that steers the enemies too. The watch plays one alike, and the
  // editor's play state comes back after it.
  struct PlayStateKept {
    Game& g;
    const PlayState kept;
    ~PlayStateKept() { static_cast<PlayState&>(g) = kept; }
  } play_state_kept{g, g};
  static_cast<PlayState&>(g) = PlayState{};
  g.BgmTimerMark = platform.Clock();
  g.platform = &platform;
  g.platform->SetTyping(false);
  g.stages = {*grids};
  g.ContinueStage = 1;
  g.StageNumber = 1;
  BeginGame(g);
  int32_t move_code = 0;
  std::string ending = "Stopped watching";
  for (;;) {
    move_code = PlayFrame(g, move_code);
    if (g.GameFlags[kMiss] == kTrue) {
      ending = "The clear's keys lost a life: the stage plays otherwise now";
      break;
    }
    if (g.GameFlags[kStageCleared] == kTrue) {
      ending = "Watched the clear";
      break;
    }
    if (!EndFrame(g)) break;
  }
  StopMusic(g);
  // The clear's last picture stays a moment before the editor's returns.
  g.platform = restore.platform();
  if (ending == "Watched the clear") Linger(g, 1000);
  return ending;
}

std::string PlayTest(Game& g, const EditedStage& stage) {
  const std::optional<StageGrids> grids_made = PlayableGrids(stage);
  if (!grids_made) return "The stage has faults; mend them to play it";
  const StageGrids& grids = *grids_made;

  PlayTestPlatform platform(*g.platform);
  EditorRestore restore(g);
  g.platform = &platform;
  g.platform->SetTyping(false);
  g.stages = {grids};
  g.StageNumber = 1;
  RunGame(g);
  StopMusic(g);
  if (g.GameFlags[kAllClear] != kFalse) return "Cleared! Score " + std::to_string(g.Score);
  if (g.GameFlags[kGameOver] == kTrue) return "Game over in the play-test";
  return "Back from the play-test";
}

}  // namespace kolvar
