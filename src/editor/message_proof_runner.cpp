#include "editor/message_proof_runner.h"

#include <exception>
#include <utility>

#include "editor/proof_message.h"

namespace kolvar {
namespace {

class MessageProofRunner final : public ProofRunner {
 public:
  explicit MessageProofRunner(StartProver start) : start_(std::move(start)) {}

  void Start(const ProofJob& job) override {
    Cancel();
    work_ = job.work;
    try {
      job_ = start_(JobText(job));
      report_.running = true;
    } catch (const std::exception& error) {
      Fail(std::string("the prover could not be started: ") + error.what());
    }
  }

  ProofReport Poll() override {
    if (!job_) return report_;
    while (job_) {
      const std::optional<std::string> text = job_->Take();
      if (!text) break;
      Hear(*text);
    }
    if (job_) {
      if (const std::string fault = job_->Fault(); !fault.empty()) Fail(fault);
    }
    return report_;
  }

  void Cancel() override {
    job_.reset();
    report_ = {};
  }

 private:
  void Hear(const std::string& text) {
    ProofNews news;
    try {
      news = ParseNewsText(text);
    } catch (const std::exception& error) {
      Fail(std::string("the prover's answer, ") + error.what());
      return;
    }
    if (news.fault) return Fail("the prover refused the job: " + *news.fault);
    if (news.progress) {
      report_.progress = *news.progress;
      return;
    }
    // An answer of the other kind than the job is no answer to it.
    if ((work_ == ProofWork::kProve) != news.proof.has_value()) {
      return Fail("the prover answered a job it was not given");
    }
    report_.proof = std::move(news.proof);
    report_.rating = std::move(news.rating);
    report_.running = false;
    report_.progress = 1;
    job_.reset();
  }

  void Fail(const std::string& why) {
    job_.reset();
    report_ = {};
    report_.fault = why;
  }

  StartProver start_;
  std::unique_ptr<BackgroundJob> job_;
  ProofWork work_ = ProofWork::kProve;
  ProofReport report_;
};

}  // namespace

std::unique_ptr<ProofRunner> MakeMessageProofRunner(StartProver start) {
  return std::make_unique<MessageProofRunner>(std::move(start));
}

}  // namespace kolvar
