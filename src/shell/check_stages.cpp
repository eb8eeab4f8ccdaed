#include "shell/check_stages.h"

#include <cmath>
#include <optional>
#include <stdexcept>

#include "core/game.h"
#include "flow/play_loop.h"
#include "platform/headless/headless_platform.h"
#include "stage/stage_pack.h"

namespace kolvar {

namespace {

// Plays a clear's keys as an input script on the headless runner, from a
// game begun on the stage: the milliseconds of play from the stage's first
// frame to its clear, or nothing when a life is lost first.
std::optional<uint32_t> HeadlessClearMs(const bots::StageToPlay& stage,
                                        const std::vector<bots::KeyEvent>& keys) {
  HeadlessOptions options;
  options.music_folder = stage.root + "/MIDI";
  options.script = ParseInputScript(bots::ScriptText(keys), "the proof's keys");
  HeadlessPlatform platform(std::move(options));
  Game g(platform, stage.root);
  g.stages = stage.stages;
  g.ContinueStage = 1;
  g.StageNumber = stage.number;
  BeginGame(g);
  const uint32_t begun = platform.Clock();
  int32_t move_code = 0;
  for (;;) {
    move_code = PlayFrame(g, move_code);
    if (g.GameFlags[kMiss] == kTrue) return std::nullopt;
    if (g.GameFlags[kStageCleared] == kTrue) return platform.Clock() - begun;
    EndFrame(g);
  }
}

bool HeadlessReplayClears(const bots::StageToPlay& stage, const std::vector<bots::KeyEvent>& keys) {
  return HeadlessClearMs(stage, keys).has_value();
}

// The progress line of a stage on a terminal, written over in place.
class ProgressLine {
 public:
  ProgressLine(std::FILE* out, bool on, std::string name)
      : out_(out), on_(on), name_(std::move(name)) {}
  void Show(const std::string& what) {
    if (!on_) return;
    std::fprintf(out_, "\r\033[K%s: %s", name_.c_str(), what.c_str());
    std::fflush(out_);
  }
  void Clear() {
    if (on_) std::fprintf(out_, "\r\033[K");
  }

 private:
  std::FILE* out_;
  bool on_;
  std::string name_;
};

std::string Percent(double share) {
  return std::to_string(static_cast<int>(std::lround(share * 100)));
}

// The rates of every player model, the casual one first with its runs and
// interval: "; casual players clear it 34 % of the time (50 runs; 95 %
// interval 21-48 %), slow ones 20 %, practised ones 52 %".
std::string RateText(const std::vector<std::pair<const char*, bots::StageRating>>& rates) {
  std::string text;
  for (const auto& [name, rating] : rates) {
    if (std::string(name) == bots::kCasualPlayer.name) {
      text = "; casual players clear it " + Percent(rating.Rate()) + " % of the time (" +
             std::to_string(rating.runs) + " run" + (rating.runs == 1 ? "" : "s") +
             "; 95 % interval " + Percent(rating.low) + "-" + Percent(rating.high) + " %)" + text;
    } else {
      text += ", " + std::string(name) + " ones " + Percent(rating.Rate()) + " %";
    }
  }
  return text;
}

}  // namespace

int CheckStages(const std::string& folder, const std::string& data_root, std::FILE* out,
                std::FILE* err, const CheckOptions& options) {
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

  int unproved = 0;
  double total_play = 0;
  for (size_t i = 0; i < pack.stages.size(); ++i) {
    const bots::StageToPlay stage{data_root, pack.stages, static_cast<int32_t>(i + 1)};
    ProgressLine line(out, options.progress, pack.files[i]);
    line.Show("proving...");

    bots::ProofOptions proof_options;
    proof_options.budget_seconds = options.budget_seconds;
    proof_options.threads = options.threads;
    proof_options.replay = HeadlessReplayClears;
    proof_options.progress = [&](double spent) {
      line.Show("proving... " + Percent(spent) + " % of the budget");
    };
    bots::StageProof proof = bots::ProveStage(stage, proof_options);

    // The casual player's rate, and the slow and the practised player's
    // beside it: one model's habits do not make the rating alone.
    std::vector<std::pair<const char*, bots::StageRating>> rates;
    for (const bots::PlayerModel& player : bots::kPlayerModels) {
      if (options.runs == 0) break;
      bots::RatingOptions rating_options;
      rating_options.player = player;
      rating_options.runs = options.runs;
      rating_options.threads = options.threads;
      rating_options.progress = [&](int done) {
        line.Show(std::string(player.name) + " players' runs " + std::to_string(done) + " of " +
                  std::to_string(options.runs));
      };
      rates.emplace_back(player.name, bots::RateStage(stage, rating_options));
    }
    const std::string rate = RateText(rates);
    line.Clear();

    // A player's clear proves the stage as well as the search's, once the
    // headless runner has played it again.
    const char* cleared_by = nullptr;
    if (proof.verdict == bots::ProofVerdict::kNoWayFound) {
      for (const auto& [name, rating] : rates) {
        if (rating.keys.empty()) continue;
        if (const std::optional<uint32_t> ms = HeadlessClearMs(stage, rating.keys)) {
          proof.verdict = bots::ProofVerdict::kCleared;
          proof.clear_ms = *ms;
          cleared_by = name;
          break;
        }
      }
    }

    const char* title = pack.titles[i].c_str();
    switch (proof.verdict) {
      case bots::ProofVerdict::kCleared:
        total_play += proof.clear_ms / 1000.0;
        if (cleared_by) {
          std::fprintf(out,
                       "%s: \"%s\" cleared in %.1f s of play by a %s player's run (the search "
                       "found none in %.1f s)%s\n",
                       pack.files[i].c_str(), title, proof.clear_ms / 1000.0, cleared_by,
                       proof.seconds, rate.c_str());
        } else {
          std::fprintf(out, "%s: \"%s\" cleared in %.1f s of play (proved in %.1f s)%s\n",
                       pack.files[i].c_str(), title, proof.clear_ms / 1000.0, proof.seconds,
                       rate.c_str());
        }
        break;
      case bots::ProofVerdict::kReplayFailed:
        ++unproved;
        std::fprintf(out,
                     "%s: \"%s\" a clear was found but its keys did not clear the stage when "
                     "replayed%s\n",
                     pack.files[i].c_str(), title, rate.c_str());
        break;
      case bots::ProofVerdict::kNoWayFound:
      case bots::ProofVerdict::kCancelled:
        ++unproved;
        std::fprintf(out,
                     "%s: \"%s\" no way found within the budget of %g s (%lld frames searched in "
                     "%.1f s)%s\n",
                     pack.files[i].c_str(), title, options.budget_seconds,
                     static_cast<long long>(proof.frames_searched), proof.seconds, rate.c_str());
        break;
    }
    std::fflush(out);
  }
  if (unproved > 0) {
    std::fprintf(out, "%s: %d of %zu stages have no clear found\n", folder.c_str(), unproved,
                 pack.stages.size());
    return 1;
  }
  std::fprintf(out, "%s: every stage cleared, %.1f s of play in all\n", folder.c_str(), total_play);
  return 0;
}

}  // namespace kolvar
