#include "editor/proof_runner.h"

#include <atomic>
#include <chrono>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

namespace kolvar {

namespace {

// What the job's thread and the editor share: the report, under its lock,
// and the flag that stops the job.
struct SharedRun {
  std::mutex mutex;
  ProofReport report;
  std::atomic<bool> cancel{false};

  void SetProgress(double progress) {
    std::lock_guard<std::mutex> lock(mutex);
    report.progress = progress;
  }
};

void Work(SharedRun& run, const ProofJob& job, const std::string& root) {
  const bots::StageToPlay stage{root, {job.stage}, 1};
  std::optional<bots::StageProof> proof;
  std::optional<bots::StageRating> rating;
  std::string fault;
  try {
    if (job.work == ProofWork::kProve) {
      bots::ProofOptions options;
      options.budget_seconds = job.budget_seconds;
      options.cancel = &run.cancel;
      options.progress = [&run](double spent) { run.SetProgress(spent); };
      proof = bots::ProveStage(stage, options);
      if (proof->verdict == bots::ProofVerdict::kCancelled) proof.reset();
    } else {
      bots::RatingOptions options;
      options.runs = job.runs;
      options.cancel = &run.cancel;
      options.progress = [&run, runs = job.runs](int done) {
        run.SetProgress(runs > 0 ? static_cast<double>(done) / runs : 1);
      };
      rating = bots::RateStage(stage, options);
      if (rating->cancelled) rating.reset();
    }
  } catch (const std::exception& error) {
    fault = error.what();
  }
  std::lock_guard<std::mutex> lock(run.mutex);
  run.report.running = false;
  if (run.cancel.load()) return;  // a cancelled job shows no answer
  run.report.progress = 1;
  run.report.proof = std::move(proof);
  run.report.rating = std::move(rating);
  run.report.fault = std::move(fault);
}

class ThreadProofRunner final : public ProofRunner {
 public:
  explicit ThreadProofRunner(std::string root) : root_(std::move(root)) {}
  ~ThreadProofRunner() override { Cancel(); }
  ThreadProofRunner(const ThreadProofRunner&) = delete;
  ThreadProofRunner& operator=(const ThreadProofRunner&) = delete;

  void Start(const ProofJob& job) override {
    std::lock_guard<std::mutex> lock(control_);
    Stop();
    run_ = std::make_shared<SharedRun>();
    run_->report.running = true;
    try {
      thread_ = std::thread([run = run_, job, root = root_] { Work(*run, job, root); });
    } catch (const std::system_error& error) {
      run_->report.running = false;
      run_->report.fault = std::string("no thread to prove the stage on: ") + error.what();
    }
  }

  ProofReport Poll() override {
    std::lock_guard<std::mutex> lock(control_);
    if (!run_) return {};
    std::lock_guard<std::mutex> report_lock(run_->mutex);
    return run_->report;
  }

  void Cancel() override {
    std::lock_guard<std::mutex> lock(control_);
    Stop();
  }

 private:
  // The search looks at the flag at least once a layer of its beam, and
  // the players once a run: the join is short.
  void Stop() {
    if (run_) run_->cancel = true;
    if (thread_.joinable()) thread_.join();
    run_.reset();
  }

  std::string root_;
  // Start, Poll and Cancel may come from any thread, one at a time.
  std::mutex control_;
  std::shared_ptr<SharedRun> run_;
  std::thread thread_;
};

class WaitingProofRunner final : public ProofRunner {
 public:
  explicit WaitingProofRunner(std::unique_ptr<ProofRunner> inner) : inner_(std::move(inner)) {}

  void Start(const ProofJob& job) override { inner_->Start(job); }
  void Cancel() override { inner_->Cancel(); }
  ProofReport Poll() override {
    for (;;) {
      ProofReport report = inner_->Poll();
      if (!report.running) return report;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }

 private:
  std::unique_ptr<ProofRunner> inner_;
};

}  // namespace

std::unique_ptr<ProofRunner> MakeThreadProofRunner(std::string root) {
  return std::make_unique<ThreadProofRunner>(std::move(root));
}

std::unique_ptr<ProofRunner> MakeWaitingProofRunner(std::unique_ptr<ProofRunner> inner) {
  return std::make_unique<WaitingProofRunner>(std::move(inner));
}

}  // namespace kolvar
