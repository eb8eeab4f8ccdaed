// The words between a program that wants a stage proved or rated and the
// prover that does it elsewhere (the browser's Web Worker running
// kolvar-prover): a job goes one way, news of it the other. Both are plain
// text, one field a line, so the two programs need nothing but this file to
// agree. A job:
//
//   job prove              (or rate)
//   budget 30              processor seconds of search
//   runs 50                the casual player's runs
//   map 0a0b...            the stage's grids, 1024 bytes each in hex
//   spawns 0000...
//
// News: "progress 0.25" (the share done), "fault WHAT" (a job the prover
// could not take), or the answer:
//
//   proof cleared          (no-way-found, cancelled, replay-failed)
//   clear_ms 41200
//   frames 123456
//   seconds 1.25
//   keys 2                 then that many input-script lines
//   0 right down           (bots/sim_platform.h)
//   40 right up
//
//   rating
//   runs 50
//   cleared 12
//   cancelled 0
//   low 0.13
//   high 0.37
//   keys 0
//
// A reader refuses anything else whole, saying which line is wrong and how.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "bots/stage_proof.h"
#include "editor/proof_runner.h"

namespace kolvar {

std::string JobText(const ProofJob& job);
// Throws std::runtime_error naming the line that is wrong.
ProofJob ParseJobText(const std::string& text);

// What the prover says about the job it was given: how far it has got, its
// answer, or why it could not take the job.
struct ProofNews {
  std::optional<double> progress;
  std::optional<bots::StageProof> proof;
  std::optional<bots::StageRating> rating;
  std::optional<std::string> fault;
};

std::string ProgressText(double progress);
std::string ProofText(const bots::StageProof& proof);
std::string RatingText(const bots::StageRating& rating);
std::string FaultText(const std::string& fault);
// Throws std::runtime_error naming the line that is wrong.
ProofNews ParseNewsText(const std::string& text);

// The prover's whole work on one job's text: proves or rates the stage on
// one thread, telling its progress now and then (`tell`, each share at
// least a hundredth past the last), and returns its answer's text; a job
// it cannot read is answered with a fault.
std::string AnswerProofJob(const std::string& job_text,
                           const std::function<void(const std::string&)>& tell);

}  // namespace kolvar
