// Proving and rating the stage being edited while the editor goes on
// drawing its frames: a job is started, asked once a frame how far it has
// got, and can be cancelled. The desktop runs the job on a thread of its
// own (MakeThreadProofRunner); the browser, whose program has one thread,
// hands it to a Web Worker running the prover program.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "bots/stage_proof.h"
#include "core/game.h"

namespace kolvar {

enum class ProofWork { kProve, kRate };

struct ProofJob {
  ProofWork work = ProofWork::kProve;
  StageGrids stage;                                     // the stage as compiled, played as stage 1
  double budget_seconds = bots::kDefaultBudgetSeconds;  // kProve
  int runs = 50;                                        // kRate
};

struct ProofReport {
  // True while the job runs; false once it has answered, was cancelled, or
  // when none was started.
  bool running = false;
  double progress = 0;  // 0..1, of the budget spent or the runs played
  // The answer, once the job has one: `proof` for kProve, `rating` for
  // kRate.
  std::optional<bots::StageProof> proof;
  std::optional<bots::StageRating> rating;
  // Why the job ended without an answer, in words (the data folder could
  // not be read, no thread could be started); empty otherwise.
  std::string fault;
};

class ProofRunner {
 public:
  virtual ~ProofRunner() = default;
  // Starts `job`, cancelling any job still running.
  virtual void Start(const ProofJob& job) = 0;
  // How the job stands; cheap, called once a frame.
  virtual ProofReport Poll() = 0;
  // Stops the running job; Poll then shows no answer and running false.
  virtual void Cancel() = 0;
};

// Runs each job on a thread of its own, the game's data folder at `root`.
std::unique_ptr<ProofRunner> MakeThreadProofRunner(std::string root);

// For a program on a virtual clock (the headless runner): each Poll waits
// until `inner`'s job has answered, so an input script sees its answer
// after the same frames however fast the machine is.
std::unique_ptr<ProofRunner> MakeWaitingProofRunner(std::unique_ptr<ProofRunner> inner);

}  // namespace kolvar
