// kolvar_casual: the casual player's clear rate per stage. Each stage is
// started afresh for every run; run k first stands still for k × STEP frames,
// so the enemies have walked and drawn differently by the time it moves.
//
//   kolvar_casual [--root DIR] [--stages PACK] [--runs N] [--step FRAMES] [--stage N]
//                 [--player slow|casual|practised]
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "bots/casual_bot.h"
#include "flow/end_sequences.h"
#include "flow/play_loop.h"
#include "stage/stage_pack.h"

int main(int argc, char** argv) {
  using namespace kolvar;
  using namespace kolvar::bots;
  std::string root;
  std::vector<StageGrids> stages;
  int runs = 50, step = 5, only = 0;
  PlayerModel model = kCasualPlayer;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (i + 1 >= argc) {
      std::fprintf(stderr,
                   "usage: kolvar_casual [--root DIR] [--stages PACK] [--runs N] "
                   "[--step FRAMES] [--stage N] [--player slow|casual|practised]\n");
      return 2;
    }
    const std::string v = argv[++i];
    if (a == "--root") {
      root = v;
    } else if (a == "--stages") {
      PackResult read = ReadStagePack(v);
      for (const std::string& fault : read.faults) std::fprintf(stderr, "%s\n", fault.c_str());
      if (!read.pack) return 2;
      stages = std::move(read.pack->stages);
    } else if (a == "--runs") {
      runs = std::max(1, std::atoi(v.c_str()));
    } else if (a == "--step") {
      step = std::max(0, std::atoi(v.c_str()));
    } else if (a == "--player") {
      bool known = false;
      for (const PlayerModel& m : kPlayerModels) {
        if (v == m.name) {
          model = m;
          known = true;
        }
      }
      if (!known) {
        std::fprintf(stderr, "kolvar_casual: --player is slow, casual or practised\n");
        return 2;
      }
    } else if (a == "--stage") {
      only = std::atoi(v.c_str());
    } else {
      std::fprintf(stderr, "kolvar_casual: unknown option %s\n", a.c_str());
      return 2;
    }
  }
  if (root.empty()) root = std::filesystem::canonical("/proc/self/exe").parent_path().string();

  const auto started = std::chrono::steady_clock::now();
  std::printf("stage  enemies  cleared  rate   lost  timed-out  mean-time-left\n");
  try {
    const int last_stage = stages.empty() ? kLastStage : static_cast<int>(stages.size());
    for (int stage = 1; stage <= last_stage; ++stage) {
      if (only != 0 && stage != only) continue;
      int cleared = 0, lost = 0, enemies = 0;
      long time_left = 0;
      for (int run = 0; run < runs; ++run) {
        SimPlatform p;
        Game g(p, root);
        g.stages = stages;
        g.ContinueStage = 1;
        g.StageNumber = stage;
        BeginGame(g);
        g.draws = false;  // the casual player reads the game, not the screen
        enemies = 0;
        for (const EnemySlot& e : g.EnemyTable) enemies += e.Active == kTrue;
        const CasualResult r = PlayCasually(g, p, run * step, model);
        if (r.cleared) {
          ++cleared;
          time_left += r.time_left;
        } else if (r.lost_life && r.time_left > 0) {
          ++lost;
        }
      }
      std::printf("%5d  %7d  %4d/%-3d %4.0f%%  %4d  %9d  %14.0f\n", stage, enemies, cleared, runs,
                  100.0 * cleared / runs, lost, runs - cleared - lost,
                  cleared ? static_cast<double>(time_left) / cleared : 0.0);
      std::fflush(stdout);
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "kolvar_casual: %s\n", e.what());
    return 1;
  }
  std::printf("run time %.1f s\n",
              std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
  return 0;
}
