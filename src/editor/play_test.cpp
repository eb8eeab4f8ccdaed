#include "editor/play_test.h"

#include <utility>

#include "audio/music.h"
#include "flow/play_loop.h"

namespace kolvar {

namespace {

// The platform the play-test plays on: the editor's own, keeping no
// hi-score and no Continue stage, so a test game leaves the player's
// game as it was.
class PlayTestPlatform final : public Platform {
 public:
  explicit PlayTestPlatform(Platform& inner) : inner_(inner) {}

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

 private:
  Platform& inner_;
};

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

 private:
  Game& g_;
  Platform* platform_;
  int32_t hiscore_;
};

}  // namespace

std::string PlayTest(Game& g, const EditedStage& stage) {
  const stagec::CompileResult compiled = stagec::compile_stage(StageText(stage));
  if (!compiled.stage) return "The stage has faults; mend them to play it";
  StageGrids grids;
  grids.map = compiled.stage->map;
  grids.spawns = compiled.stage->ivm;

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
