// The prover's side of editor/proof_message.h, apart from the words
// themselves: a program that only sends jobs (the page's) links no search.
#include <exception>

#include "editor/proof_message.h"

namespace kolvar {

std::string AnswerProofJob(const std::string& job_text,
                           const std::function<void(const std::string&)>& tell) {
  ProofJob job;
  try {
    job = ParseJobText(job_text);
  } catch (const std::exception& error) {
    return FaultText(std::string("the job: ") + error.what());
  }
  bots::StageToPlay stage;
  stage.stages.push_back(job.stage);
  double told = 0;
  const auto progress = [&](double share) {
    if (share < told + 0.01 && share < 1) return;
    told = share;
    tell(ProgressText(share));
  };
  try {
    if (job.work == ProofWork::kProve) {
      bots::ProofOptions options;
      options.budget_seconds = job.budget_seconds;
      options.threads = 1;
      options.progress = progress;
      return ProofText(bots::ProveStage(stage, options));
    }
    bots::RatingOptions options;
    options.runs = job.runs;
    options.threads = 1;
    options.progress = [&](int done) { progress(static_cast<double>(done) / job.runs); };
    return RatingText(bots::RateStage(stage, options));
  } catch (const std::exception& error) {
    return FaultText(std::string("the stage could not be played: ") + error.what());
  }
}

}  // namespace kolvar
