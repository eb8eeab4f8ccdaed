#include "editor/editor_loop.h"

#include <array>

#include "core/fatal_error.h"
#include "editor/editor_draw.h"
#include "editor/play_test.h"
#include "pacing/pacing.h"
#include "video/show.h"

namespace kolvar {

namespace {

// An arrow held down moves the cursor again after this long, then at this
// pace.
constexpr uint32_t kRepeatDelayMs = 300;
constexpr uint32_t kRepeatPeriodMs = 80;

constexpr std::array<Key, 4> kArrows = {Key::Up, Key::Right, Key::Down, Key::Left};

class ArrowRepeat {
 public:
  // Moves the cursor for each arrow pressed, or held long enough.
  void Poll(Game& g, StageEditor& editor) {
    const uint32_t now = Clock(g);
    for (size_t i = 0; i < kArrows.size(); ++i) {
      const uint16_t state = g.platform->PollKey(kArrows[i]);
      const bool down = state & 0x8000, pressed = state & 1;
      if (pressed) {
        editor.Arrow(kArrows[i]);
        next_[i] = now + kRepeatDelayMs;
      } else if (down && now - next_[i] < (1u << 31)) {
        editor.Arrow(kArrows[i]);
        next_[i] = now + kRepeatPeriodMs;
      }
    }
  }

 private:
  std::array<uint32_t, 4> next_{};
};

}  // namespace

void RunEditor(Game& g, EditorOptions options,
               const std::function<void(const std::string&)>& report) {
  StageEditor editor(std::move(options));
  g.platform->SetTyping(true);
  ArrowRepeat arrows;
  try {
    for (;;) {
      MarkTime(g);
      for (const TypedKey& key : g.platform->TakeTypedKeys()) editor.Type(key);
      arrows.Poll(g, editor);
      if (g.platform->PollKey(Key::Esc) & 1) editor.Escape();
      editor.Pointer(g.platform->PollPointer());
      editor.SaveEachChange();
      if (editor.TakePlayRequest()) editor.Tell(PlayTest(g, editor.stage()));
      if (auto keys = editor.TakeWatchRequest()) {
        editor.Tell(WatchClear(g, editor.stage(), std::move(*keys)));
      }
      editor.PollProof();
      DrawEditor(g, editor);
      ShowScreen(g);
      // The window processes its events at least once a frame, however
      // long the frame took.
      Delay(g, kFramePeriod - static_cast<int32_t>(Clock(g) - g.PaceMark));
    }
  } catch (const CloseRequested&) {
    const std::string saved = editor.SaveIfChanged();
    if (!saved.empty()) report(saved);
    throw;
  }
}

}  // namespace kolvar
