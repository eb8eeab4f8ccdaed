// The stage editor's state and what the player's input does to it: the
// pack and the stage being edited, the palette's item and the tool, the
// cursor and the view, undo and redo, the title and the pack's own fields
// being typed, the faults found after each change, saving. Drawing is
// editor_draw's, the frame loop and the play-test editor_loop's.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "editor/edit_history.h"
#include "editor/edit_tools.h"
#include "editor/edited_pack.h"
#include "editor/editor_layout.h"
#include "editor/proof_runner.h"
#include "editor/stage_faults.h"
#include "platform/platform.h"

namespace kolvar {

// Writes a whole pack's files into `folder` so that a crash or a full disk
// leaves the pack as it was or as it is now, never a mix. Returns an error
// message, or empty.
using PackSaver = std::function<std::string(
    const std::string& folder, const std::vector<std::pair<std::string, std::string>>& files)>;

// Hands out a link to a pack: `fragment` is its "pack=DATA", `folder`
// where the pack is saved (the link may be kept beside it). Returns what the
// player is told.
using PackSharer =
    std::function<std::string(const std::string& fragment, const std::string& folder)>;

// A pack the editor can open: the player's own, or the game's (opened
// read-only and saved as the player's copy).
struct ShelfPack {
  std::string name = {};    // the folder's name
  std::string folder = {};  // where it lies, or will once saved
  bool read_only = false;
  std::string copy_folder = {};  // a read-only pack's copy
  bool exists = true;            // false: a new pack, not saved yet
};

// The packs the game knows, for the editor's list: the player's first.
// `make_new` gives a new pack's place, a name no pack has.
struct PackShelf {
  std::function<std::vector<ShelfPack>()> list;
  std::function<ShelfPack()> make_new;
  std::string author;  // a new pack's author until the player says
};

struct EditorOptions {
  std::string folder;  // where the pack lies and is saved
  OpenedPack opened;
  // The pack is the game's own (installed with it): it is never written,
  // and saving writes a copy to `copy_folder`.
  bool read_only = false;
  std::string copy_folder;
  PackSaver save;
  PackShelf shelf;
  // Proves and rates the stage being edited beside the editor's frames;
  // null: the editor offers no proving.
  std::shared_ptr<ProofRunner> prover;
  // The processor time a proof may take before it answers "no way found".
  double proof_budget_seconds = bots::kDefaultBudgetSeconds;
  PackSharer share;
  // Saves after each change (SaveEachChange) instead of only when asked
  // and at the close: a browser's page is closed or reloaded without
  // telling the program.
  bool save_each_change = false;
};

// What is known of a stage's play: its proof and, once a clear was found,
// the casual player's clear rate.
struct StageVerdict {
  bots::StageProof proof;
  std::optional<bots::StageRating> rating;
};

// The runs the casual player plays to rate a stage.
inline constexpr int kRatingRuns = 50;

// A proof in words: "Cleared in 20.9 s of play", "No way found in 10.0 s".
std::string ProofWords(const bots::StageProof& proof);
// "Casual players clear it 70 % of the time (50 runs, 56-81 %)": the rate
// and its 95 % interval.
std::string RatingWords(const bots::StageRating& rating);

// What the player is typing into.
enum class TypingField { kNone, kTitle, kPackName, kPackAuthor, kPackDescription };

// The longest title and pack field the editor lets the player type.
inline constexpr size_t kMostTypedChars = 48;

class StageEditor {
 public:
  explicit StageEditor(EditorOptions options);

  // The player's input, one event at a time.
  void Type(const TypedKey& key);
  void Arrow(Key key);  // an arrow key: moves the cursor
  void Escape();
  void Pointer(const PointerState& pointer);

  // Commands, from keys and buttons alike.
  void Undo();
  void Redo();
  void Save();
  // A link to the pack, or to the stage being edited only, when its every
  // stage keeps every rule (else the link would be refused when opened).
  void Share(bool only_stage);
  void SelectTool(Tool tool);
  void SelectItem(int index);
  void UseToolAtCursor();
  void StageCommand(StageButton button);
  // The list of packs over the map: shown, and which line is chosen.
  void ShowPackList();
  // Opens the pack (saving the one being edited first, when it has
  // changes); a new pack when it does not exist.
  void OpenPack(const ShelfPack& pack);

  // The loop asks for a play-test when the player wants one (and takes
  // the request); the stage must be free of faults.
  bool TakePlayRequest();
  // Proves the stage (when it has no faults), or stops the proof or
  // rating running; a proved stage is rated, once.
  void Prove();
  // Asks the loop to play the proof's clear, watched.
  void Watch();
  // Once a frame: takes the prover's progress and answers. A clear found
  // starts the rating at once.
  void PollProof();
  // The keys of the clear to watch, when the player asked (taking the
  // request).
  std::optional<std::vector<bots::KeyEvent>> TakeWatchRequest();

  // What the loop tells the player: a line shown until another comes.
  void Tell(const std::string& message) { message_ = message; }

  // Saves when there are unsaved changes (the window is being closed).
  // Returns what was done, for the terminal; empty when nothing was.
  std::string SaveIfChanged();
  // With `save_each_change`: saves a change once it is whole (no stroke,
  // rectangle or typing under way). The message line keeps what it said,
  // unless the save failed (then it says so, and the next change tries
  // again).
  void SaveEachChange();

  const EditedPack& pack() const { return place_.pack; }
  int stage_index() const { return place_.stage; }
  const EditedStage& stage() const {
    return *place_.pack.stages[static_cast<size_t>(place_.stage)];
  }
  const std::vector<StageFault>& faults() const { return faults_; }
  const std::vector<std::string>& pack_faults() const { return pack_faults_; }
  int shown_fault() const { return shown_fault_; }
  int item() const { return item_; }
  Tool tool() const { return tool_; }
  int cursor_column() const { return cursor_column_; }
  int cursor_row() const { return cursor_row_; }
  int view_left() const { return view_left_; }
  int view_top() const { return view_top_; }
  // The rectangle being drawn: its anchor (the cursor is the other corner).
  std::optional<std::pair<int, int>> anchor() const { return anchor_; }
  TypingField typing() const { return typing_; }
  const std::string& typed_text() const { return typed_; }
  bool help_shown() const { return help_shown_; }
  bool pack_list_shown() const { return pack_list_shown_; }
  // The list's lines: "New pack", then the shelf's packs.
  const std::vector<ShelfPack>& pack_list() const { return pack_list_; }
  int pack_list_choice() const { return pack_list_choice_; }
  bool pack_panel_shown() const {
    return typing_ == TypingField::kPackName || typing_ == TypingField::kPackAuthor ||
           typing_ == TypingField::kPackDescription;
  }
  bool changed_since_save() const { return !(place_.pack == saved_); }
  const std::string& message() const { return message_; }
  const std::string& folder() const { return folder_; }
  bool read_only() const { return read_only_; }
  const EditHistory& history() const { return history_; }
  bool can_prove() const { return prover_ != nullptr; }
  // The proof and rating of the stage as it is now; null while unproven.
  const StageVerdict* verdict() const;
  // The job running for the stage as it is now, and how far it has got
  // (0..1).
  std::optional<ProofWork> proof_running() const;
  double proof_progress() const { return job_ ? job_->progress : 0; }

 private:
  // A change of the stage: `change` edits a copy, which replaces the
  // stage; one undo step unless it is part of a stroke already recorded.
  void ChangeStage(const std::function<void(EditedStage&)>& change, bool new_step = true);
  void ChangePack(const std::function<void(EditPlace&)>& change);
  void Refresh();  // faults after a change
  void MoveCursorTo(int column, int row);
  void KeepCursorInView();
  void ApplyAt(int column, int row, bool new_step);
  void StartTyping(TypingField field);
  void EndTyping(bool keep);
  void ShowNextFault();
  void PointerOnMap(const PointerState& pointer, int column, int row);
  bool PackListInput(const TypedKey& key);
  void StartJob(ProofWork work);
  void StopJob(const std::string& why);

  EditPlace place_;
  EditedPack saved_;
  EditHistory history_;
  std::string folder_;
  bool read_only_ = false;
  std::string copy_folder_;
  PackSaver save_;
  PackSharer share_;
  bool save_each_change_ = false;
  // The pack whose save failed: not tried again until it changes.
  std::optional<EditedPack> unsaved_;
  std::vector<StageFault> faults_;
  std::vector<std::string> pack_faults_;
  int shown_fault_ = 0;
  int item_ = 0;
  Tool tool_ = Tool::kBrush;
  int cursor_column_ = 1, cursor_row_ = 1;
  int view_left_ = 0, view_top_ = 0;
  std::optional<std::pair<int, int>> anchor_;
  TypingField typing_ = TypingField::kNone;
  std::string typed_;
  bool help_shown_ = false;
  PackShelf shelf_;
  bool pack_list_shown_ = false;
  std::vector<ShelfPack> pack_list_;
  int pack_list_choice_ = 0;  // 0: a new pack, k: pack_list_[k - 1]
  bool play_requested_ = false;
  std::string message_;
  // The pointer's press: where it began and the cell it last drew on.
  Spot::Part pressed_on_ = Spot::Part::kNothing;
  int last_column_ = -1, last_row_ = -1;
  // The stroke being drawn has its undo step already.
  bool stroke_recorded_ = false;

  // A job given to the prover: for which stage text, and how far it is.
  struct ProofJobState {
    ProofWork work = ProofWork::kProve;
    std::string key;
    double progress = 0;
  };
  std::shared_ptr<ProofRunner> prover_;
  double proof_budget_seconds_;
  // What is known of each stage's play, by its map's text (ProofKey): a
  // stage changed and changed back, or undone, is proved still.
  std::map<std::string, StageVerdict> verdicts_;
  std::string proof_key_;  // the stage being edited, as verdicts_ knows it
  std::optional<ProofJobState> job_;
  bool watch_requested_ = false;
};

}  // namespace kolvar
