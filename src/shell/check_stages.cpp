#include "shell/check_stages.h"

#include <chrono>

#include "bots/sim_platform.h"
#include "bots/solver.h"
#include "core/game.h"
#include "flow/play_loop.h"
#include "stage/stage_pack.h"

namespace kolvar {

int CheckStages(const std::string& folder, const std::string& data_root, std::FILE* out,
                std::FILE* err) {
  const PackResult read = ReadStagePack(folder);
  for (const std::string& fault : read.faults) std::fprintf(err, "%s\n", fault.c_str());
  if (!read.pack) {
    std::fprintf(err, "%s: %zu fault%s; no stage was searched\n", folder.c_str(),
                 read.faults.size(), read.faults.size() == 1 ? "" : "s");
    return 1;
  }
  const StagePack& pack = *read.pack;
  std::fprintf(out, "%s: \"%s\" by %s, %zu stage%s keeping every rule\n", folder.c_str(),
               pack.info.name.c_str(), pack.info.author.c_str(), pack.stages.size(),
               pack.stages.size() == 1 ? "" : "s");
  std::fflush(out);

  int unsolved = 0;
  double total_play = 0;
  for (size_t i = 0; i < pack.stages.size(); ++i) {
    const auto started = std::chrono::steady_clock::now();
    bots::SimPlatform platform;
    Game g(platform, data_root);
    g.stages = pack.stages;
    g.ContinueStage = 1;
    g.StageNumber = static_cast<int32_t>(i + 1);
    BeginGame(g);
    const bots::SolverLimits limits;
    const bots::Snapshot start = bots::Snapshot::Save(g, platform);
    bots::StageSolution solution = bots::SolveStage(g, platform, 0, limits);
    if (solution.cleared) {
      // The moves found are played once more from the stage's start: only a
      // clear they reproduce counts.
      start.Restore(g, platform);
      int32_t move_code = 0;
      solution.cleared =
          bots::PlayMoves(g, platform, move_code, solution.moves, limits.frames_per_move);
    }
    const double searched =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    if (solution.cleared) {
      total_play += solution.clear_ms / 1000.0;
      std::fprintf(out, "%s: \"%s\" cleared in %.1f s of play (searched %.1f s)\n",
                   pack.files[i].c_str(), pack.titles[i].c_str(), solution.clear_ms / 1000.0,
                   searched);
    } else {
      ++unsolved;
      std::fprintf(out,
                   "%s: \"%s\" no way found within the budget (%lld frames searched, %.1f s)\n",
                   pack.files[i].c_str(), pack.titles[i].c_str(),
                   static_cast<long long>(solution.frames_simulated), searched);
    }
    std::fflush(out);
  }
  if (unsolved > 0) {
    std::fprintf(out, "%s: %d of %zu stages have no clear found\n", folder.c_str(), unsolved,
                 pack.stages.size());
    return 1;
  }
  std::fprintf(out, "%s: every stage cleared, %.1f s of play in all\n", folder.c_str(), total_play);
  return 0;
}

}  // namespace kolvar
