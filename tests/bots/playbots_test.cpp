// The bots' machine must play exactly as the headless runner does, or a
// script they write would not replay; a snapshot must hold everything that
// steers play, or a search would explore games that cannot happen.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <string_view>

#include "bots/casual_bot.h"
#include "bots/frame_driver.h"
#include "bots/navigation.h"
#include "bots/sim_platform.h"
#include "core/fatal_error.h"
#include "core/trace.h"
#include "flow/outer_loop.h"
#include "flow/play_loop.h"
#include "platform/headless/headless_platform.h"
#include "stage/stage_pack.h"
#include "support/files.h"
#include "support/scratch_folder.h"

namespace kolvar::bots {
namespace {

// Everything of a frame that a trace line shows.
std::string Picture(const Game& g) {
  std::string s = std::to_string(PlayerMapX(g)) + "," + std::to_string(PlayerMapY(g)) + "," +
                  std::to_string(g.PlayerDir) + "," + std::to_string(g.PlayerAnimStep) + " t" +
                  std::to_string(g.TimeLeft) + " f" + std::to_string(g.GameFlags[kMiss]) +
                  std::to_string(g.GameFlags[kKeyHeld]);
  for (const EnemySlot& e : g.EnemyTable) {
    if (e.Active == kTrue) s += " " + std::to_string(e.X) + "," + std::to_string(e.Y);
  }
  return s;
}

// A walk with turns, stops and key changes every few frames.
Key KeyAt(int frame) {
  static constexpr Key kPattern[] = {Key::Right, Key::Right, Key::Down, Key::Z,
                                     Key::Up,    Key::Right, Key::Left, Key::Down};
  return kPattern[(frame / 5) % 8];
}

// A digest of the whole screen: it shows what Picture leaves out, such as the
// radar's blink.
std::string ScreenDigest(const Game& g) {
  const std::string_view pixels(reinterpret_cast<const char*>(g.Crt.data()),
                                sizeof(uint32_t) * g.Crt.width() * g.Crt.height());
  return std::to_string(std::hash<std::string_view>{}(pixels));
}

// Plays `frames` frames of stage 1 from its start; stops early at a miss.
// With `screens`, each frame's line also holds the screen's digest.
std::string PlaySim(SimPlatform& p, Game& g, int frames, bool screens = false) {
  std::string pictures;
  int32_t move_code = 0;
  for (int f = 0; f < frames; ++f) {
    p.HoldArrow(KeyAt(f));
    const FrameOutcome outcome = PlayOneFrame(g, move_code, false);
    pictures += Picture(g) + (screens ? " " + ScreenDigest(g) : "") + "\n";
    if (outcome != FrameOutcome::kGoOn) break;
  }
  return pictures;
}

TEST(Playbots, TheKeyLogReplaysOnTheHeadlessRunnerFrameForFrame) {
  SimPlatform sim;
  Game g(sim, ".");
  g.StageNumber = 1;
  BeginGame(g);
  const std::string played = PlaySim(sim, g, 300);

  HeadlessOptions options;
  options.script = ParseInputScript(ScriptText(sim.Log()), "bot log");
  HeadlessPlatform headless(std::move(options));
  Game h(headless, ".");
  h.StageNumber = 1;
  BeginGame(h);
  std::string replayed;
  int32_t move_code = 0;
  for (size_t lines = 0;
       lines < static_cast<size_t>(std::count(played.begin(), played.end(), '\n')); ++lines) {
    move_code = PlayFrame(h, move_code);
    replayed += Picture(h) + "\n";
    if (h.GameFlags[kMiss] == kTrue || h.GameFlags[kStageCleared] == kTrue) break;
    EndFrame(h);
  }
  EXPECT_EQ(replayed, played);
}

// Saves a game at frame 40 of stage 1 as `Kind`, plays 200 frames, opens the
// chest and the door as their sequences do, restores and plays the 200
// frames again: the same pictures, and every field of play alike.
template <typename Kind>
void ExpectSnapshotPlaysOnAlike(const char* kind) {
  SimPlatform sim;
  Game g(sim, ".");
  g.StageNumber = 1;
  BeginGame(g);
  PlaySim(sim, g, 40);
  const Kind snapshot = Kind::Save(g, sim);
  const std::string first = PlaySim(sim, g, 200, true);
  const Snapshot after_first = Snapshot::Save(g, sim);
  g.TileMap.Set(g.KeyCellX, g.KeyCellY, kFloor);
  g.TileMap.Set(g.ExitCellX, g.ExitCellY, kFloor);
  snapshot.Restore(g, sim);
  EXPECT_EQ(PlaySim(sim, g, 200, true), first) << kind;
  // Every field of play ends alike, including those no picture shows.
  EXPECT_TRUE(Snapshot::Save(g, sim) == after_first) << kind;
}

TEST(Playbots, ASnapshotPlaysOnExactlyAsTheGameWouldHave) {
  ExpectSnapshotPlaysOnAlike<Snapshot>("Snapshot");
  ExpectSnapshotPlaysOnAlike<StageSnapshot>("StageSnapshot");
}

TEST(Playbots, TheCasualPlayerClearsTheFirstStage) {
  for (int32_t wait : {0, 60}) {
    SimPlatform sim;
    Game g(sim, ".");
    g.StageNumber = 1;
    BeginGame(g);
    const CasualResult r = PlayCasually(g, sim, wait);
    EXPECT_TRUE(r.cleared) << "start after " << wait << " frames";
    EXPECT_FALSE(r.lost_life);
  }
}

// The searches play without drawing (Game::draws): the whole-game replays,
// played so from the title to the closing screen, must leave the very
// traces they recorded, frame for frame: nothing of play reads a picture.
TEST(Playbots, PlayThatDrawsNothingLeavesTheRecordedTraces) {
  struct Replay {
    const char* name;
    const char* pack;  // empty: the game's own stages
  };
  for (const Replay& replay :
       {Replay{"whole_game", ""}, Replay{"deep_halls_whole_game", "stages/deep-halls"}}) {
    const std::string base = std::string(KOLVAR_REPLAYS_DIR) + "/" + replay.name;
    testing::ScratchFolder folder("kolvar-quiet");
    const std::string traced = (folder.path() / "trace.jsonl").string();
    HeadlessOptions options;
    options.script = ReadInputScript(base + ".in");
    HeadlessPlatform platform(std::move(options));
    std::FILE* file = std::fopen(traced.c_str(), "w");
    ASSERT_NE(file, nullptr);
    {
      Trace trace(file);
      Game g(platform, ".");
      if (*replay.pack) g.stages = ReadStagePack(replay.pack).pack.value().stages;
      g.trace = &trace;
      g.draws = false;
      try {
        RunProgram(g);
      } catch (const CloseRequested&) {
      }
    }
    std::fclose(file);
    const std::string recorded = ReadWholeFile(base + ".jsonl");
    EXPECT_GT(std::count(recorded.begin(), recorded.end(), '\n'), 5000) << replay.name;
    EXPECT_TRUE(ReadWholeFile(traced) == recorded) << replay.name;
  }
}

}  // namespace
}  // namespace kolvar::bots
