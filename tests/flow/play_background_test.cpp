#include "scene/play_background.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/fatal_error.h"
#include "core/game.h"
#include "flow/outer_loop.h"
#include "support/files.h"
#include "support/test_game.h"

namespace kolvar {
namespace {

using testing::TestPlatform;

// Keeps a digest of every picture shown. With `whole_copies`, the game's
// screen forgets where it was drawn on between frames, so that every play
// frame starts from a copy of the whole back buffer.
class DigestPlatform : public TestPlatform {
 public:
  DigestPlatform(const std::string& script, bool whole_copies)
      : TestPlatform(script, false), whole_copies_(whole_copies) {}
  void Show(PixelView picture) override {
    TestPlatform::Show(picture);
    uint64_t digest = 14695981039346656037u;
    const size_t count = static_cast<size_t>(picture.width) * picture.height;
    for (size_t i = 0; i < count; ++i) digest = (digest ^ picture.pixels[i]) * 1099511628211u;
    digests.push_back(digest);
  }
  bool PumpEvents() override {
    if (whole_copies_ && game) game->Crt.data();
    return TestPlatform::PumpEvents();
  }
  Game* game = nullptr;
  std::vector<uint64_t> digests;

 private:
  bool whole_copies_;
};

std::vector<uint64_t> ShownDigests(const std::string& script, bool whole_copies) {
  DigestPlatform platform(script, whole_copies);
  Game game(platform, ".");
  platform.game = &game;
  try {
    RunProgram(game);
  } catch (const CloseRequested&) {
  }
  return platform.digests;
}

// Every picture of whole games (scrolls, keys, doors, misses, stage
// clears, a game over) is the same whether each play frame copies back
// only where the last one drew or the whole back buffer.
TEST(RestorePlayBackground, EveryShownPictureIsTheWholeCopysPicture) {
  for (const char* name : {"whole_game.in", "continue_after_game_over.in"}) {
    SCOPED_TRACE(name);
    const std::string script = ReadWholeFile(std::string(KOLVAR_REPLAYS_DIR) + "/" + name);
    const std::vector<uint64_t> patched = ShownDigests(script, false);
    const std::vector<uint64_t> whole = ShownDigests(script, true);
    ASSERT_GT(whole.size(), 1000u);
    ASSERT_EQ(patched.size(), whole.size());
    size_t differing = 0, first = whole.size();
    for (size_t i = 0; i < whole.size(); ++i) {
      if (patched[i] != whole[i]) {
        ++differing;
        first = std::min(first, i);
      }
    }
    EXPECT_EQ(differing, 0u) << "first at picture " << first;
  }
}

}  // namespace
}  // namespace kolvar
