// The words between the page's program and its prover (editor/proof_message.h)
// and the ProofRunner that speaks them (editor/message_proof_runner.h): every
// kind of text reads back as it was written, a malformed one is refused
// naming its line, and the runner turns a prover's news into reports and
// its faults into words, and drops the prover when cancelled.
#include "editor/proof_message.h"

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "editor/message_proof_runner.h"
#include "stage/stage_compiler.h"
#include "support/crafted_stages.h"
#include "support/error_of.h"

namespace kolvar {
namespace {

using testing::ErrorOf;

// A short stage without enemies: the key chest and the exit door above
// and below the corridor's way back.
StageGrids ShortHall() {
  return testing::CraftedStageGrids("Short Hall", {
                                                      "##########################",  //
                                                      "S........................#",  //
                                                      "########################.#",  //
                                                      "##K#####################.#",  //
                                                      "##.......................#",  //
                                                      "######E###################",  //
                                                  });
}

TEST(ProofMessage, EveryKindReadsBackAsWritten) {
  ProofJob job;
  job.work = ProofWork::kRate;
  job.budget_seconds = 12.75;
  job.runs = 7;
  for (size_t i = 0; i < job.stage.map.size(); ++i) {
    job.stage.map[i] = static_cast<uint8_t>(i * 7);
    job.stage.spawns[i] = static_cast<uint8_t>(255 - i);
  }
  const ProofJob read = ParseJobText(JobText(job));
  EXPECT_EQ(read.work, ProofWork::kRate);
  EXPECT_EQ(read.budget_seconds, 12.75);
  EXPECT_EQ(read.runs, 7);
  EXPECT_EQ(read.stage.map, job.stage.map);
  EXPECT_EQ(read.stage.spawns, job.stage.spawns);

  const std::vector<bots::KeyEvent> keys = {
      {0, Key::Right, true}, {1240, Key::Right, false}, {4294967295u, Key::Esc, true}};
  bots::StageProof proof;
  proof.verdict = bots::ProofVerdict::kReplayFailed;
  proof.keys = keys;
  proof.clear_ms = 41200;
  proof.frames_searched = int64_t{1} << 40;
  proof.seconds = 0.1 + 0.2;  // no short decimal
  bots::StageRating rating;
  rating.runs = 50;
  rating.cleared = 12;
  rating.cancelled = true;
  rating.low = 1.0 / 7;
  rating.high = 0.5;
  rating.keys = keys;

  const std::string texts[] = {ProofText(proof), RatingText(rating), ProgressText(0.375),
                               FaultText("the job: line 2: no\nway")};
  for (const std::string& text : texts) {
    const ProofNews news = ParseNewsText(text);
    const std::string again = news.proof      ? ProofText(*news.proof)
                              : news.rating   ? RatingText(*news.rating)
                              : news.progress ? ProgressText(*news.progress)
                                              : FaultText(news.fault.value_or(""));
    EXPECT_EQ(again, text);
  }
  const ProofNews news = ParseNewsText(ProofText(proof));
  ASSERT_TRUE(news.proof);
  EXPECT_EQ(news.proof->verdict, bots::ProofVerdict::kReplayFailed);
  EXPECT_EQ(news.proof->seconds, 0.1 + 0.2);
  EXPECT_EQ(bots::ScriptText(news.proof->keys), bots::ScriptText(keys));
  EXPECT_EQ(ParseNewsText(FaultText("a\nb")).fault, "a b");
}

TEST(ProofMessage, MalformedTextIsRefusedNamingItsLine) {
  const std::string good_proof = ProofText(
      bots::StageProof{bots::ProofVerdict::kCleared, {{0, Key::Up, true}}, 1000, 20, 0.5});
  const std::string job = JobText(ProofJob{});
  const std::string map_line =
      job.substr(job.find("map "), job.find('\n', job.find("map ")) - job.find("map ") + 1);
  struct Case {
    bool is_job;
    std::string text;
    std::string error;
  };
  const Case cases[] = {
      {false, "", "line 1: ends where the news was expected"},
      {false, "hello\n", "line 1: 'hello' is no progress, proof, rating or fault"},
      {false, "progress 1.5\n", "line 1: progress '1.5' is no number from 0 to 1"},
      {false, "progress 0.5x\n", "progress '0.5x'"},
      {false, "fault \n", "line 1: a fault that says nothing"},
      {false, "proof maybe\n", "line 1: 'maybe' is no proof's verdict"},
      {false, good_proof + "more\n", "line 7: 'more' after the end"},
      {false, good_proof.substr(0, good_proof.rfind("0 up")), "line 6: ends where a key line"},
      {false, "proof cleared\nclear_ms 5\nframes 9\nseconds 1\nkeys 1\n40 sideways up\n",
       "line 6: '40 sideways up' is no key line"},
      {false, "proof cleared\nclear_ms 5\nframes 9\nseconds 1\nkeys 1\n-40 up up\n", "no key line"},
      {false, "proof cleared\nclear_ms -5\n", "line 2: clear_ms '-5' is no whole number"},
      {false, "proof cleared\nclear_ms 5\nframes 9\nseconds 1\nkeys 0\n",
       "line 5: a clear without keys"},
      {false, "rating\nruns 3\ncleared 4\n", "line 3: cleared '4' is no whole number from 0 to 3"},
      {false, "rating\nruns 3\ncleared 1\ncancelled 0\nlow 0.5\nhigh 0.25\n",
       "line 6: high '0.25'"},
      {true, "job fly\n", "line 1: job 'fly' is neither prove nor rate"},
      {true, "job prove\nbudget 0\n", "line 2: budget 0"},
      {true, "job prove\nbudget 1\nruns 0\n", "line 3: runs '0'"},
      {true, job.substr(0, job.find("map ")) + "map 00\n", "line 4: map has 2 hex digits; 2048"},
      {true, job.substr(0, job.find("map ")) + "map g" + map_line.substr(5),
       "line 4: map holds 'g', no hex digit"},
      {true, job.substr(0, job.find("spawns ")), "line 5: ends where 'spawns' was expected"},
  };
  for (const Case& c : cases) {
    const std::string error = c.is_job
                                  ? ErrorOf<std::runtime_error>([&] { ParseJobText(c.text); })
                                  : ErrorOf<std::runtime_error>([&] { ParseNewsText(c.text); });
    EXPECT_NE(error.find(c.error), std::string::npos) << c.text << "\ngave: " << error;
  }
}

// A prover that says what the test makes it say.
struct FakeProver {
  std::string job_text;
  std::deque<std::string> said;
  std::string fault;
  bool working = false;
  bool refuse_start = false;
};

class FakeJob final : public BackgroundJob {
 public:
  explicit FakeJob(FakeProver& prover) : prover_(prover) { prover_.working = true; }
  ~FakeJob() override { prover_.working = false; }
  std::optional<std::string> Take() override {
    if (prover_.said.empty()) return std::nullopt;
    std::string text = prover_.said.front();
    prover_.said.pop_front();
    return text;
  }
  std::string Fault() override { return prover_.fault; }

 private:
  FakeProver& prover_;
};

std::unique_ptr<ProofRunner> RunnerOn(FakeProver& prover) {
  return MakeMessageProofRunner(
      [&prover](const std::string& text) -> std::unique_ptr<BackgroundJob> {
        if (prover.refuse_start) throw std::runtime_error("no workers here");
        prover.job_text = text;
        return std::make_unique<FakeJob>(prover);
      });
}

// The prover's own work on the job the runner sent, told to the runner
// step by step: a clear of the short hall, its keys clearing it again.
TEST(MessageProofRunner, ReportsTheProversProgressAndAnswer) {
  FakeProver prover;
  const auto runner = RunnerOn(prover);
  ProofJob job;
  job.stage = ShortHall();
  job.budget_seconds = 5;
  runner->Start(job);
  EXPECT_TRUE(runner->Poll().running);

  std::vector<std::string> told;
  const std::string answer =
      AnswerProofJob(prover.job_text, [&](const std::string& text) { told.push_back(text); });
  ASSERT_FALSE(told.empty());
  prover.said.push_back(told.front());
  const ProofReport halfway = runner->Poll();
  EXPECT_TRUE(halfway.running);
  EXPECT_GT(halfway.progress, 0);
  EXPECT_FALSE(halfway.proof);

  prover.said.insert(prover.said.end(), told.begin() + 1, told.end());
  prover.said.push_back(answer);
  const ProofReport done = runner->Poll();
  EXPECT_FALSE(done.running);
  EXPECT_FALSE(prover.working);
  ASSERT_TRUE(done.proof);
  EXPECT_EQ(done.proof->verdict, bots::ProofVerdict::kCleared);
  bots::StageToPlay stage;
  stage.stages.push_back(job.stage);
  EXPECT_TRUE(bots::ReplayClears(stage, done.proof->keys));
  EXPECT_EQ(done.fault, "");

  // A new job, cancelled: the prover is dropped and nothing is reported.
  job.work = ProofWork::kRate;
  runner->Start(job);
  EXPECT_TRUE(prover.working);
  EXPECT_EQ(ParseJobText(prover.job_text).work, ProofWork::kRate);
  runner->Cancel();
  EXPECT_FALSE(prover.working);
  const ProofReport cancelled = runner->Poll();
  EXPECT_FALSE(cancelled.running);
  EXPECT_FALSE(cancelled.proof || cancelled.rating);
}

TEST(MessageProofRunner, AProverThatFailsIsDroppedWithItsFaultInWords) {
  struct Case {
    const char* name;
    bool refuse_start;
    std::string says;
    std::string fault;
    std::string heard;
  };
  const Case cases[] = {
      {"no worker", true, "", "", "the prover could not be started: no workers here"},
      {"broken down", false, "", "kolvar-prover.js broke down: it could not be loaded",
       "kolvar-prover.js broke down"},
      {"refusal", false, AnswerProofJob("job fly\n", {}), "",
       "the prover refused the job: the job: line 1: job 'fly'"},
      {"garbage", false, "proof maybe\n", "", "the prover's answer, line 1: 'maybe'"},
      {"wrong kind", false, RatingText({}), "", "the prover answered a job it was not given"},
  };
  for (const Case& c : cases) {
    FakeProver prover;
    prover.refuse_start = c.refuse_start;
    const auto runner = RunnerOn(prover);
    runner->Start(ProofJob{});
    if (!c.says.empty()) prover.said.push_back(c.says);
    prover.fault = c.fault;
    const ProofReport report = runner->Poll();
    EXPECT_FALSE(report.running || report.proof || report.rating) << c.name;
    EXPECT_FALSE(prover.working) << c.name;
    EXPECT_NE(report.fault.find(c.heard), std::string::npos) << c.name << ": " << report.fault;
    // A new job starts afresh.
    prover = FakeProver{};
    runner->Start(ProofJob{});
    EXPECT_EQ(runner->Poll().fault, "") << c.name;
    EXPECT_TRUE(prover.working) << c.name;
  }
}

}  // namespace
}  // namespace kolvar
