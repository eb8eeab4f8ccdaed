// kolvar_solver: finds a whole game, from the title through every stage to
// the closing screen, without losing a life, and writes it as a headless
// input script. The script is then played once more on the real headless
// runner to prove it.
//
//   kolvar_solver [--root DIR] [--stages PACK] [--out FILE.in]
//                 [--trace FILE.jsonl] [--stage N] [--beam W] [--threads N]
//                 [--allow-tricks]
//
// --stages plays a stage pack's folder instead of the game's own sixteen;
// --stage N solves only stage N, started directly, and prints its figures.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "bots/sim_platform.h"
#include "bots/solver.h"
#include "core/fatal_error.h"
#include "core/trace.h"
#include "flow/end_sequences.h"
#include "flow/outer_loop.h"
#include "flow/play_loop.h"
#include "platform/headless/headless_platform.h"
#include "stage/stage_pack.h"
#include "title/title_screen.h"

namespace {

using namespace kolvar;
using namespace kolvar::bots;

struct Options {
  std::string root;
  std::string out;
  std::string trace;
  std::string stages_folder;
  std::vector<StageGrids> stages;  // the pack's, or empty for the game's own
  int stage = 0;
  SolverLimits limits{.threads = 2};
};

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Solves the stage that has just started; prints one line; false if stuck.
bool SolveAndPlay(Game& g, SimPlatform& p, int32_t& move_code, const SolverLimits& limits) {
  const auto started = std::chrono::steady_clock::now();
  const Snapshot start = Snapshot::Save(g, p);
  const int32_t start_code = move_code;
  const int stage = g.StageNumber;
  const StageSolution solution = SolveStage(g, p, move_code, limits);
  start.Restore(g, p);
  move_code = start_code;
  if (!solution.cleared) {
    std::printf("stage %2d: NOT CLEARED (%lld frames searched, %.1f s)\n", stage,
                static_cast<long long>(solution.frames_simulated), Seconds(started));
    return false;
  }
  // Play the found moves once more from the start: this writes them into the
  // key log and leaves the game at the clearing frame.
  if (!PlayMoves(g, p, move_code, solution.moves, limits.frames_per_move)) {
    std::printf("stage %2d: the found moves did not replay\n", stage);
    return false;
  }
  std::printf(
      "stage %2d: cleared in %5.1f s of play, %3d enemies, %lld frames searched, %.1f s\n", stage,
      solution.clear_ms / 1000.0,
      [&] {
        int n = 0;
        for (const EnemySlot& e : g.EnemyTable) n += e.Active == kTrue;
        return n;
      }(),
      static_cast<long long>(solution.frames_simulated), Seconds(started));
  std::fflush(stdout);
  return true;
}

int SolveOneStage(const Options& o) {
  SimPlatform p;
  Game g(p, o.root);
  g.stages = o.stages;
  g.ContinueStage = 1;
  g.StageNumber = o.stage;
  BeginGame(g);
  int32_t move_code = 0;
  return SolveAndPlay(g, p, move_code, o.limits) ? 0 : 1;
}

// Plays the script on the real headless runner; returns the trace's faults.
std::string Verify(const Options& o, const std::string& script, const std::string& trace_path,
                   int32_t last_stage) {
  HeadlessOptions options;
  options.music_folder = o.root + "/MIDI";
  options.script = ParseInputScript(script, "solver script");
  HeadlessPlatform platform(std::move(options));
  std::FILE* file = std::fopen(trace_path.c_str(), "w");
  if (!file) return trace_path + ": cannot write";
  {
    Trace trace(file);
    Game g(platform, o.root);
    g.stages = o.stages;
    g.trace = &trace;
    try {
      RunProgram(g);
    } catch (const CloseRequested&) {
    }
  }
  std::fclose(file);
  std::ifstream in(trace_path);
  std::string line, faults;
  int misses = 0, clears = 0, allclear = 0;
  while (std::getline(in, line)) {
    misses += line.find("\"event\":\"miss\"") != std::string::npos;
    clears += line.find("\"event\":\"clear\"") != std::string::npos;
    allclear += line.find("\"event\":\"allclear\"") != std::string::npos;
  }
  if (misses) faults += std::to_string(misses) + " lives lost; ";
  if (clears != last_stage) faults += std::to_string(clears) + " stage clears; ";
  if (allclear != 1) faults += "no closing screen; ";
  return faults;
}

int SolveWholeGame(const Options& o) {
  const auto started = std::chrono::steady_clock::now();
  SimPlatform p;
  Game g(p, o.root);
  g.stages = o.stages;
  const int32_t last_stage = LastStage(g);
  g.ContinueStage = 1;
  p.SetAutoZ(true);
  TitleScreen(g);
  p.SetAutoZ(false);
  BeginGame(g);
  int32_t move_code = 0;
  for (int stage = 1; stage <= last_stage; ++stage) {
    if (!SolveAndPlay(g, p, move_code, o.limits)) return 1;
    // The clear screen, its prompt and the next stage's entry (or the
    // closing screen after the last stage).
    p.HoldArrow(Key::Z);
    p.SetAutoZ(true);
    const bool goes_on = EndFrame(g);
    p.SetAutoZ(false);
    if (goes_on != (stage < last_stage)) {
      std::printf("stage %d: the game %s after its clear\n", stage, goes_on ? "went on" : "ended");
      return 1;
    }
  }
  const uint32_t close_at = p.Clock() + 3000;
  std::ostringstream script;
  script << "# Guards: the whole game, title to closing screen, all " << last_stage << " stages"
         << (o.stages_folder.empty() ? "" : " of the pack " + o.stages_folder)
         << " cleared without losing a life (written by kolvar_solver; regenerate with "
            "tests/replays/regenerate_whole_game).\n"
         << ScriptText(p.Log()) << close_at << " close\n";
  std::printf("whole game: %.1f s of play, score %d, solver time %.1f s\n", close_at / 1000.0,
              g.HiScore, Seconds(started));
  if (!o.out.empty()) {
    std::ofstream(o.out) << script.str();
    std::printf("wrote %s\n", o.out.c_str());
  }
  const std::string trace_path = o.trace.empty() ? "/tmp/kolvar_solver_trace.jsonl" : o.trace;
  const std::string faults = Verify(o, script.str(), trace_path, last_stage);
  if (!faults.empty()) {
    std::printf("the script does not replay cleanly: %s\n", faults.c_str());
    return 1;
  }
  std::printf("replayed on the headless runner: %d clears, no life lost; trace %s\n", last_stage,
              trace_path.c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "kolvar_solver: %s needs a value\n", a.c_str());
        std::exit(2);
      }
      return argv[++i];
    };
    if (a == "--root") {
      o.root = value();
    } else if (a == "--out") {
      o.out = value();
    } else if (a == "--trace") {
      o.trace = value();
    } else if (a == "--stages") {
      o.stages_folder = value();
    } else if (a == "--stage") {
      o.stage = std::atoi(value().c_str());
    } else if (a == "--beam") {
      o.limits.beam_width = std::max(4, std::atoi(value().c_str()));
    } else if (a == "--threads") {
      o.limits.threads = std::max(1, std::atoi(value().c_str()));
    } else if (a == "--allow-tricks") {
      o.limits.forbid_tricks = false;
    } else {
      std::fprintf(stderr,
                   "usage: kolvar_solver [--root DIR] [--stages PACK] [--out FILE.in] "
                   "[--trace FILE.jsonl] [--stage N] [--beam W] [--threads N] [--allow-tricks]\n");
      return 2;
    }
  }
  if (o.root.empty()) {
    o.root = std::filesystem::canonical("/proc/self/exe").parent_path().string();
  }
  if (!o.stages_folder.empty()) {
    PackResult read = ReadStagePack(o.stages_folder);
    for (const std::string& fault : read.faults) std::fprintf(stderr, "%s\n", fault.c_str());
    if (!read.pack) return 2;
    o.stages = std::move(read.pack->stages);
  }
  const int last_stage = o.stages.empty() ? kLastStage : static_cast<int>(o.stages.size());
  try {
    if (o.stage != 0) {
      if (o.stage < 1 || o.stage > last_stage) {
        std::fprintf(stderr, "kolvar_solver: --stage must be 1..%d\n", last_stage);
        return 2;
      }
      return SolveOneStage(o);
    }
    return SolveWholeGame(o);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "kolvar_solver: %s\n", e.what());
    return 1;
  }
}
