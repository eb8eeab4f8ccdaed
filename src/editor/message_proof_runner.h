// A ProofRunner over a prover that works elsewhere and speaks the words of
// editor/proof_message.h: the browser's, whose page program has one thread
// and hands each job to a Web Worker running kolvar-prover.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "editor/proof_runner.h"
#include "platform/background_job.h"

namespace kolvar {

// Starts the prover on a job's text; throws std::exception with a one-line
// message when it cannot.
using StartProver = std::function<std::unique_ptr<BackgroundJob>(const std::string& job_text)>;

// Each job started with `start`; cancelling (or a new job) drops the job,
// which ends the prover's work. A job that stops without an answer (the
// prover could not be started, broke down, refused the job or said
// something that is no news of it) is reported with its fault in words.
std::unique_ptr<ProofRunner> MakeMessageProofRunner(StartProver start);

}  // namespace kolvar
