// Proving the stage being edited beside the editor's frames: the thread
// runner's answers, progress and cancel, and the editor proving and rating
// the stage as it is, its proofs kept by the stage's content.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "editor/edit_tools.h"
#include "editor/play_test.h"
#include "editor/proof_runner.h"
#include "editor/stage_editor.h"
#include "support/crafted_stages.h"
#include "support/test_game.h"

namespace kolvar {
namespace {

using Clock = std::chrono::steady_clock;

const PaletteItem& Item(char key) {
  return Palette()[static_cast<size_t>(PaletteIndexOfKey(key))];
}

// The new hall with a key chest, an exit door and a slime: cleared at once.
EditedStage OpenHall() {
  EditedStage stage = NewStage("Open Hall");
  PutItem(stage, 13, 11, Item('K'));
  PutItem(stage, 25, 5, Item('E'));
  PutItem(stage, 15, 8, Item('1'));
  return stage;
}

// The key chest in a den of demons (fast, never giving up a chase): no way
// leads out again with the key.
EditedStage DemonsDen() {
  std::vector<std::string> problems;
  const EditedStage stage = ReadStageText(
      testing::CraftedStageText("The Demons' Den", testing::kDemonsDenRows), problems);
  EXPECT_TRUE(problems.empty());
  EXPECT_TRUE(FindStageFaults(stage).empty());
  return stage;
}

// Asks `runner` how it stands, as the editor does once a frame, until it
// answers; its progress only grows, within 0..1.
ProofReport Settle(ProofRunner& runner) {
  double progress = 0;
  for (;;) {
    const ProofReport report = runner.Poll();
    EXPECT_GE(report.progress, progress);
    EXPECT_LE(report.progress, 1.0);
    progress = report.progress;
    if (!report.running) return report;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

TEST(ThreadProofRunner, ProvesRatesAndAnswersNoWayFound) {
  struct Case {
    const char* name;
    EditedStage stage;
    ProofWork work;
    double budget;
    bots::ProofVerdict verdict;  // kProve
    int runs;                    // kRate
  };
  const Case cases[] = {
      {"open hall", OpenHall(), ProofWork::kProve, 10, bots::ProofVerdict::kCleared, 0},
      {"demons' den", DemonsDen(), ProofWork::kProve, 0.5, bots::ProofVerdict::kNoWayFound, 0},
      {"open hall rated", OpenHall(), ProofWork::kRate, 0, {}, 6},
  };
  for (const Case& c : cases) {
    const std::unique_ptr<ProofRunner> runner = MakeThreadProofRunner(".");
    ProofJob job;
    job.work = c.work;
    job.stage = PlayableGrids(c.stage).value();
    job.budget_seconds = c.budget;
    job.runs = c.runs;
    runner->Start(job);
    const ProofReport report = Settle(*runner);
    EXPECT_EQ(report.fault, "") << c.name;
    EXPECT_EQ(report.progress, 1.0) << c.name;
    if (c.work == ProofWork::kRate) {
      EXPECT_FALSE(report.proof) << c.name;
      ASSERT_TRUE(report.rating) << c.name;
      EXPECT_EQ(report.rating->runs, c.runs) << c.name;
      EXPECT_EQ(report.rating->cleared, c.runs) << c.name;
      continue;
    }
    EXPECT_FALSE(report.rating) << c.name;
    ASSERT_TRUE(report.proof) << c.name;
    EXPECT_EQ(report.proof->verdict, c.verdict) << c.name;
    EXPECT_LE(report.proof->seconds, c.budget + 0.5) << c.name;
    if (c.verdict == bots::ProofVerdict::kCleared) {
      EXPECT_TRUE(bots::ReplayClears({".", {job.stage}, 1}, report.proof->keys)) << c.name;
    }
  }
}

// A cancel, a new job and the runner's end each stop the job running
// within moments, though its budget is ten minutes.
TEST(ThreadProofRunner, StopsPromptlyWhenCancelledReplacedOrDestroyed) {
  ProofJob endless;
  endless.stage = PlayableGrids(DemonsDen()).value();
  endless.budget_seconds = 600;
  ProofJob quick;
  quick.stage = PlayableGrids(OpenHall()).value();
  const auto seconds_since = [](Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
  };

  std::unique_ptr<ProofRunner> runner = MakeThreadProofRunner(".");
  runner->Start(endless);
  const Clock::time_point started = Clock::now();
  while (runner->Poll().progress == 0 && seconds_since(started) < 60) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ASSERT_TRUE(runner->Poll().running);
  Clock::time_point asked = Clock::now();
  runner->Cancel();
  EXPECT_LT(seconds_since(asked), 2);
  const ProofReport cancelled = runner->Poll();
  EXPECT_FALSE(cancelled.running);
  EXPECT_FALSE(cancelled.proof);

  runner->Start(endless);
  asked = Clock::now();
  runner->Start(quick);
  const ProofReport answered = Settle(*runner);
  ASSERT_TRUE(answered.proof);
  EXPECT_EQ(answered.proof->verdict, bots::ProofVerdict::kCleared);

  runner->Start(endless);
  asked = Clock::now();
  runner.reset();
  EXPECT_LT(seconds_since(asked), 2);
}

// The player's input alone: a stage drawn with keys, proved (by the
// button) and rated; its proof kept while only its title changes, gone
// when a cell changes, back with the undo; a proof stopped by a change, by
// Esc and by the button.
TEST(StageEditorProof, ProvesTheStageAsItIsAndKeepsProofsByItsContent) {
  EditorOptions options;
  options.folder = "/packs/halls";
  options.opened.pack.info = {"Halls", "Me", ""};
  options.opened.pack.stages.push_back(std::make_shared<const EditedStage>(NewStage("Hall")));
  options.prover = MakeThreadProofRunner(".");
  StageEditor editor(std::move(options));
  const auto settle = [&editor] {
    while (editor.proof_running()) {
      editor.PollProof();
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  };
  const auto draw = [&editor](char item, int column, int row) {
    editor.Type(std::string(1, item));
    while (editor.cursor_column() != column) {
      editor.Arrow(editor.cursor_column() < column ? Key::Right : Key::Left);
    }
    while (editor.cursor_row() != row)
      editor.Arrow(editor.cursor_row() < row ? Key::Down : Key::Up);
    editor.Type(" ");
  };
  const auto click = [&editor](StageButton button) {
    const Box box = StageButtonBox(button);
    PointerState pointer;
    pointer.seen = pointer.pressed = pointer.released = true;
    pointer.x = box.x + box.width / 2;
    pointer.y = box.y + box.height / 2;
    editor.Pointer(pointer);
  };

  editor.Type("h");
  EXPECT_FALSE(editor.proof_running());
  EXPECT_EQ(editor.message(), "Mend the stage's 2 faults to prove it");
  draw('K', 13, 11);
  draw('E', 25, 5);
  draw('1', 15, 8);
  ASSERT_TRUE(editor.faults().empty());
  click(StageButton::kWatch);
  EXPECT_FALSE(editor.TakeWatchRequest());

  click(StageButton::kProve);
  EXPECT_EQ(editor.proof_running(), ProofWork::kProve);
  EXPECT_EQ(editor.verdict(), nullptr);
  settle();  // the proof, then the rating it starts
  const StageVerdict* verdict = editor.verdict();
  ASSERT_NE(verdict, nullptr);
  EXPECT_EQ(verdict->proof.verdict, bots::ProofVerdict::kCleared);
  ASSERT_TRUE(verdict->rating);
  EXPECT_EQ(verdict->rating->runs, kRatingRuns);
  editor.Type("m");
  const std::optional<std::vector<bots::KeyEvent>> keys = editor.TakeWatchRequest();
  ASSERT_TRUE(keys);
  EXPECT_EQ(bots::ScriptText(*keys), bots::ScriptText(verdict->proof.keys));

  editor.Type("t");
  editor.Type("!");
  editor.Type("Return");
  EXPECT_EQ(editor.verdict(), verdict);
  draw('~', 5, 5);
  EXPECT_EQ(editor.verdict(), nullptr);
  editor.Type("z");
  EXPECT_EQ(editor.verdict(), verdict);

  editor.Type("y");
  editor.Type("h");
  ASSERT_TRUE(editor.proof_running());
  editor.Type("z");
  EXPECT_FALSE(editor.proof_running());
  EXPECT_EQ(editor.message(), "Proof stopped: the stage changed");
  editor.Type("y");
  for (const auto& stop : {std::function<void()>([&] { editor.Escape(); }),
                           std::function<void()>([&] { click(StageButton::kProve); })}) {
    editor.Type("h");
    ASSERT_TRUE(editor.proof_running());
    stop();
    EXPECT_FALSE(editor.proof_running());
    EXPECT_EQ(editor.message(), "Proof stopped");
    editor.PollProof();
    EXPECT_EQ(editor.verdict(), nullptr);
  }
}

TEST(StageEditorProof, NoWayFoundIsSaidAndNotRated) {
  EditorOptions options;
  options.folder = "/packs/den";
  options.opened.pack.info = {"Den", "Me", ""};
  options.opened.pack.stages.push_back(std::make_shared<const EditedStage>(DemonsDen()));
  options.prover = MakeThreadProofRunner(".");
  options.proof_budget_seconds = 0.3;
  StageEditor editor(std::move(options));
  editor.Prove();
  while (editor.proof_running()) {
    editor.PollProof();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ASSERT_NE(editor.verdict(), nullptr);
  EXPECT_EQ(editor.verdict()->proof.verdict, bots::ProofVerdict::kNoWayFound);
  EXPECT_FALSE(editor.verdict()->rating);
  EXPECT_EQ(editor.message().rfind("No way found in 0.", 0), 0u) << editor.message();
}

// The Deep Halls' First Vault is cleared only by slipping between its
// enemies: the clear is watched through the real rules as the proof played
// it, whatever the editor's game did before (its random source steered
// other enemies), until the clear or Esc; the editor's game is as it was.
TEST(WatchClear, PlaysTheProofsClearUntilItsEndOrEsc) {
  const OpenedPack opened = ReadEditedPack("stages/deep-halls");
  ASSERT_GE(opened.pack.stages.size(), 5u);
  const EditedStage& vault = *opened.pack.stages[4];
  // A budget well over the default: a sanitized build searches several
  // times slower, and this test is about watching the clear.
  bots::ProofOptions options;
  options.budget_seconds = 300;
  const bots::StageProof proof =
      bots::ProveStage({".", {PlayableGrids(vault).value()}, 1}, options);
  ASSERT_EQ(proof.verdict, bots::ProofVerdict::kCleared);
  const struct {
    const char* script;
    const char* ending;
  } cases[] = {
      {"900000 close\n", "Watched the clear"},
      {"5000 esc down\n5020 esc up\n900000 close\n", "Stopped watching"},
  };
  for (const auto& c : cases) {
    testing::TestPlatform platform(c.script, false);
    Game g(platform, ".");
    for (int i = 0; i < 1000; ++i) g.Random.Next();
    g.Score = 1234;
    EXPECT_EQ(WatchClear(g, vault, proof.keys), c.ending);
    EXPECT_EQ(g.Score, 1234);
    EXPECT_EQ(g.platform, &platform);
    EXPECT_TRUE(g.stages.empty());
  }
}

TEST(StageEditorProof, WordsOfAProofAndARating) {
  bots::StageProof cleared;
  cleared.verdict = bots::ProofVerdict::kCleared;
  cleared.clear_ms = 16840;
  bots::StageProof none;
  none.verdict = bots::ProofVerdict::kNoWayFound;
  none.seconds = 10.04;
  EXPECT_EQ(ProofWords(cleared), "Cleared in 16.8 s of play");
  EXPECT_EQ(ProofWords(none), "No way found in 10.0 s");
  bots::StageRating rating;
  rating.runs = 50;
  rating.cleared = 35;
  std::tie(rating.low, rating.high) = bots::RateInterval(35, 50);
  EXPECT_EQ(RatingWords(rating), "Casual players clear it 70 % of the time (50 runs, 56-81 %)");
}

}  // namespace
}  // namespace kolvar
