#include "editor/stage_editor.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string_view>

#include "editor/pack_link.h"

namespace kolvar {

namespace {

constexpr int kLastViewLeft = kMapCells - kMapViewColumns;
constexpr int kLastViewTop = kMapCells - kMapViewRows;

// The pack panel's fields, in the order Tab goes through them.
constexpr TypingField kPackFields[] = {TypingField::kPackName, TypingField::kPackAuthor,
                                       TypingField::kPackDescription};

bool IsPackField(TypingField field) {
  return field == TypingField::kPackName || field == TypingField::kPackAuthor ||
         field == TypingField::kPackDescription;
}

std::string* FieldOf(EditPlace& place, TypingField field) {
  switch (field) {
    case TypingField::kPackName:
      return &place.pack.info.name;
    case TypingField::kPackAuthor:
      return &place.pack.info.author;
    case TypingField::kPackDescription:
      return &place.pack.info.description;
    default:
      return nullptr;
  }
}

// The stage as proofs are kept by: its text without the title, which play
// never reads.
std::string ProofKey(const EditedStage& stage) {
  EditedStage untitled = stage;
  untitled.title.clear();
  return StageText(untitled);
}

std::string Tenths(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", value);
  return text;
}

std::string Percent(double share) {
  return std::to_string(static_cast<int>(std::lround(share * 100)));
}

}  // namespace

std::string ProofWords(const bots::StageProof& proof) {
  switch (proof.verdict) {
    case bots::ProofVerdict::kCleared:
      return "Cleared in " + Tenths(proof.clear_ms / 1000.0) + " s of play";
    case bots::ProofVerdict::kNoWayFound:
      return "No way found in " + Tenths(proof.seconds) + " s";
    case bots::ProofVerdict::kReplayFailed:
      return "The clear found did not clear the stage when played again";
    case bots::ProofVerdict::kCancelled:
      break;
  }
  return "Unproven";
}

std::string RatingWords(const bots::StageRating& rating) {
  return "Casual players clear it " + Percent(rating.Rate()) + " % of the time (" +
         std::to_string(rating.runs) + " runs, " + Percent(rating.low) + "-" +
         Percent(rating.high) + " %)";
}

StageEditor::StageEditor(EditorOptions options)
    : folder_(std::move(options.folder)),
      read_only_(options.read_only),
      copy_folder_(std::move(options.copy_folder)),
      save_(std::move(options.save)),
      share_(std::move(options.share)),
      save_each_change_(options.save_each_change),
      shelf_(std::move(options.shelf)),
      prover_(std::move(options.prover)),
      proof_budget_seconds_(options.proof_budget_seconds) {
  place_.pack = std::move(options.opened.pack);
  saved_ = place_.pack;
  item_ = std::max(0, PaletteIndexOfKey('#'));
  if (!options.opened.stages_whole) read_only_ = true;
  if (!options.opened.problems.empty()) {
    message_ = options.opened.problems.front();
  } else if (read_only_) {
    message_ = "The game's own pack: w saves your copy to " + copy_folder_;
  } else {
    message_ = "F1 or ? shows the keys";
  }
  Refresh();
}

void StageEditor::Refresh() {
  faults_ = FindStageFaults(stage());
  pack_faults_ = PackInfoFaults(place_.pack.info);
  const int total = static_cast<int>(faults_.size() + pack_faults_.size());
  if (shown_fault_ >= total) shown_fault_ = 0;
  proof_key_ = ProofKey(stage());
  if (job_ && job_->key != proof_key_) {
    StopJob(job_->work == ProofWork::kProve ? "Proof stopped: the stage changed"
                                            : "Rating stopped: the stage changed");
  }
}

const StageVerdict* StageEditor::verdict() const {
  const auto found = verdicts_.find(proof_key_);
  return found == verdicts_.end() ? nullptr : &found->second;
}

std::optional<ProofWork> StageEditor::proof_running() const {
  if (!job_) return std::nullopt;
  return job_->work;
}

void StageEditor::StartJob(ProofWork work) {
  const std::optional<StageGrids> grids = PlayableGrids(stage());
  if (!grids) {
    message_ = "The stage has faults; mend them to prove it";
    return;
  }
  ProofJob job;
  job.work = work;
  job.stage = *grids;
  job.budget_seconds = proof_budget_seconds_;
  job.runs = kRatingRuns;
  prover_->Start(job);
  job_ = ProofJobState{work, proof_key_, 0};
  message_ = work == ProofWork::kProve
                 ? "Searching for a way to clear it"
                 : "Casual players play it " + std::to_string(kRatingRuns) + " times";
}

void StageEditor::StopJob(const std::string& why) {
  prover_->Cancel();
  job_.reset();
  message_ = why;
}

void StageEditor::Prove() {
  if (!prover_) {
    message_ = "This editor cannot prove stages: kolvar --check-stages does";
    return;
  }
  if (job_) {
    StopJob(job_->work == ProofWork::kProve ? "Proof stopped" : "Rating stopped");
    return;
  }
  if (!faults_.empty()) {
    message_ = "Mend the stage's " + std::to_string(faults_.size()) + " fault" +
               (faults_.size() == 1 ? "" : "s") + " to prove it";
    return;
  }
  const StageVerdict* known = verdict();
  if (!known) {
    StartJob(ProofWork::kProve);
  } else if (known->proof.verdict == bots::ProofVerdict::kCleared && !known->rating) {
    StartJob(ProofWork::kRate);
  } else {
    message_ = "Proved already: " + ProofWords(known->proof);
  }
}

void StageEditor::PollProof() {
  if (!job_) return;
  const ProofReport report = prover_->Poll();
  if (report.running) {
    job_->progress = report.progress;
    return;
  }
  const ProofJobState done = *job_;
  job_.reset();
  if (!report.fault.empty()) {
    message_ = (done.work == ProofWork::kProve ? "Not proved: " : "Not rated: ") + report.fault;
  } else if (done.work == ProofWork::kProve && report.proof) {
    verdicts_[done.key] = StageVerdict{*report.proof, std::nullopt};
    message_ = ProofWords(*report.proof);
    if (report.proof->verdict == bots::ProofVerdict::kCleared) StartJob(ProofWork::kRate);
  } else if (done.work == ProofWork::kRate && report.rating) {
    const auto known = verdicts_.find(done.key);
    if (known != verdicts_.end()) known->second.rating = *report.rating;
    message_ = "Rated: m or Watch shows the clear";
  } else {
    message_ = done.work == ProofWork::kProve ? "Proof stopped" : "Rating stopped";
  }
}

void StageEditor::Watch() {
  const StageVerdict* known = verdict();
  if (!known || known->proof.verdict != bots::ProofVerdict::kCleared) {
    message_ = "No clear to watch: h or Prove finds one";
    return;
  }
  watch_requested_ = true;
}

std::optional<std::vector<bots::KeyEvent>> StageEditor::TakeWatchRequest() {
  if (!std::exchange(watch_requested_, false)) return std::nullopt;
  const StageVerdict* known = verdict();
  if (!known || known->proof.verdict != bots::ProofVerdict::kCleared) return std::nullopt;
  return known->proof.keys;
}

bool StageEditor::TakePlayRequest() {
  if (!std::exchange(play_requested_, false)) return false;
  if (!faults_.empty()) {
    message_ = "Mend the stage's " + std::to_string(faults_.size()) + " fault" +
               (faults_.size() == 1 ? "" : "s") + " to play it";
    return false;
  }
  return true;
}

void StageEditor::ChangeStage(const std::function<void(EditedStage&)>& change, bool new_step) {
  EditedStage edited = stage();
  change(edited);
  if (edited == stage()) return;
  if (new_step) history_.Record(place_);
  place_.pack.stages[static_cast<size_t>(place_.stage)] =
      std::make_shared<const EditedStage>(std::move(edited));
  stroke_recorded_ = true;
  Refresh();
}

void StageEditor::ChangePack(const std::function<void(EditPlace&)>& change) {
  EditPlace edited = place_;
  change(edited);
  if (edited.pack == place_.pack) {
    place_.stage = edited.stage;
  } else {
    history_.Record(place_);
    place_ = std::move(edited);
  }
  anchor_.reset();
  Refresh();
}

void StageEditor::Undo() {
  anchor_.reset();
  if (!history_.Undo(place_)) {
    message_ = "Nothing to undo";
    return;
  }
  message_ = "Undone; " + std::to_string(history_.undo_steps()) + " more to undo";
  Refresh();
}

void StageEditor::Redo() {
  anchor_.reset();
  if (!history_.Redo(place_)) {
    message_ = "Nothing to redo";
    return;
  }
  message_ = "Redone; " + std::to_string(history_.redo_steps()) + " more to redo";
  Refresh();
}

void StageEditor::Save() {
  if (typing_ != TypingField::kNone) EndTyping(true);
  const std::string target = read_only_ ? copy_folder_ : folder_;
  const std::string error = save_ ? save_(target, PackFiles(place_.pack)) : "nowhere to save";
  if (!error.empty()) {
    message_ = "NOT SAVED: " + error;
    return;
  }
  saved_ = place_.pack;
  message_ = (read_only_ ? "Saved your copy to " : "Saved to ") + target;
  if (read_only_) {
    folder_ = target;
    read_only_ = false;
  }
  std::string faulty;
  for (size_t i = 0; i < place_.pack.stages.size(); ++i) {
    if (!FindStageFaults(*place_.pack.stages[i]).empty()) {
      faulty += (faulty.empty() ? "" : ", ") + std::to_string(i + 1);
    }
  }
  if (!faulty.empty() || !pack_faults_.empty()) {
    message_ += faulty.empty() ? "; the pack's fields have faults" : "; faults in stage " + faulty;
    message_ += ": the game plays the pack once they are mended";
  }
}

void StageEditor::Share(bool only_stage) {
  const std::string fragment =
      PackLinkFragment(place_.pack, only_stage ? std::optional<int>(place_.stage) : std::nullopt);
  const OpenedLink opened = OpenPackLink(fragment);
  if (!opened.pack) {
    // The first fault, short enough for the message line: "pack link: " and
    // "error: " are understood.
    std::string fault = opened.faults.front();
    for (const std::string_view cut : {"pack link: ", "error: "}) {
      if (const size_t at = fault.find(cut); at != std::string::npos) fault.erase(at, cut.size());
    }
    message_ = "Not shared: " + fault;
    return;
  }
  message_ = share_ ? share_(fragment, read_only_ ? copy_folder_ : folder_)
                    : "There is nowhere to share a link here";
}

std::string StageEditor::SaveIfChanged() {
  if (!changed_since_save()) return {};
  Save();
  return message_;
}

void StageEditor::SaveEachChange() {
  if (!save_each_change_ || !changed_since_save() || typing_ != TypingField::kNone || anchor_ ||
      pressed_on_ != Spot::Part::kNothing || (unsaved_ && *unsaved_ == place_.pack)) {
    return;
  }
  const std::string said = message_;
  const bool copy = read_only_;
  Save();
  if (changed_since_save()) {
    unsaved_ = place_.pack;
  } else if (!copy) {
    message_ = said;  // the first save of a copy says where it went
  }
}

void StageEditor::SelectTool(Tool tool) {
  tool_ = tool;
  anchor_.reset();
}

void StageEditor::SelectItem(int index) {
  const int count = static_cast<int>(Palette().size());
  item_ = (index % count + count) % count;
  if (tool_ == Tool::kEraser) tool_ = Tool::kBrush;
}

void StageEditor::MoveCursorTo(int column, int row) {
  cursor_column_ = std::clamp(column, 0, kMapCells - 1);
  cursor_row_ = std::clamp(row, 0, kMapCells - 1);
  KeepCursorInView();
}

void StageEditor::KeepCursorInView() {
  view_left_ = std::clamp(view_left_, cursor_column_ - kMapViewColumns + 1, cursor_column_);
  view_top_ = std::clamp(view_top_, cursor_row_ - kMapViewRows + 1, cursor_row_);
  view_left_ = std::clamp(view_left_, 0, kLastViewLeft);
  view_top_ = std::clamp(view_top_, 0, kLastViewTop);
}

void StageEditor::ApplyAt(int column, int row, bool new_step) {
  const PaletteItem& item = Palette()[static_cast<size_t>(item_)];
  switch (tool_) {
    case Tool::kBrush:
      ChangeStage([&](EditedStage& s) { PutItem(s, column, row, item); }, new_step);
      break;
    case Tool::kEraser:
      ChangeStage([&](EditedStage& s) { EraseCell(s, column, row); }, new_step);
      break;
    case Tool::kFill:
      ChangeStage([&](EditedStage& s) { FillFrom(s, column, row, item); }, new_step);
      break;
    case Tool::kRectangle:
      if (!anchor_) {
        anchor_ = std::make_pair(column, row);
        message_ = "Rectangle: now its other corner";
      } else {
        const int c0 = anchor_->first, r0 = anchor_->second;
        anchor_.reset();
        ChangeStage([&](EditedStage& s) { PutRectangle(s, c0, r0, column, row, item); });
      }
      break;
  }
}

void StageEditor::UseToolAtCursor() {
  ApplyAt(cursor_column_, cursor_row_, true);
}

void StageEditor::StageCommand(StageButton button) {
  const int count = static_cast<int>(place_.pack.stages.size());
  const int at = place_.stage;
  auto& stages = place_.pack.stages;
  switch (button) {
    case StageButton::kPrevious:
    case StageButton::kNext: {
      const int next = std::clamp(at + (button == StageButton::kNext ? 1 : -1), 0, count - 1);
      if (next != at) {
        place_.stage = next;
        anchor_.reset();
        Refresh();
      }
      break;
    }
    case StageButton::kAdd:
    case StageButton::kDuplicate:
      if (count >= kMostPackStages) {
        message_ = "A pack holds at most " + std::to_string(kMostPackStages) + " stages";
        break;
      }
      ChangePack([&](EditPlace& p) {
        const auto stage =
            button == StageButton::kAdd
                ? std::make_shared<const EditedStage>(NewStage("Stage " + std::to_string(at + 2)))
                : stages[static_cast<size_t>(at)];
        p.pack.stages.insert(p.pack.stages.begin() + at + 1, stage);
        p.stage = at + 1;
      });
      message_ = (button == StageButton::kAdd ? "New stage " : "Copied to stage ") +
                 std::to_string(at + 2);
      break;
    case StageButton::kMoveEarlier:
    case StageButton::kMoveLater: {
      const int other = at + (button == StageButton::kMoveLater ? 1 : -1);
      if (other < 0 || other >= count) break;
      ChangePack([&](EditPlace& p) {
        std::swap(p.pack.stages[static_cast<size_t>(at)],
                  p.pack.stages[static_cast<size_t>(other)]);
        p.stage = other;
      });
      message_ = "Now stage " + std::to_string(other + 1);
      break;
    }
    case StageButton::kDelete:
      if (count == 1) {
        message_ = "A pack keeps at least one stage";
        break;
      }
      ChangePack([&](EditPlace& p) {
        p.pack.stages.erase(p.pack.stages.begin() + at);
        p.stage = std::min(at, count - 2);
      });
      message_ = "Deleted stage " + std::to_string(at + 1) + "; z undoes it";
      break;
    case StageButton::kPack:
      StartTyping(TypingField::kPackName);
      break;
    case StageButton::kProve:
      Prove();
      break;
    case StageButton::kWatch:
      Watch();
      break;
  }
}

void StageEditor::ShowPackList() {
  if (typing_ != TypingField::kNone) EndTyping(true);
  anchor_.reset();
  pack_list_ = shelf_.list ? shelf_.list() : std::vector<ShelfPack>{};
  pack_list_choice_ = 0;
  for (size_t i = 0; i < pack_list_.size(); ++i) {
    if (pack_list_[i].folder == folder_) pack_list_choice_ = static_cast<int>(i) + 1;
  }
  pack_list_shown_ = true;
}

void StageEditor::OpenPack(const ShelfPack& pack) {
  pack_list_shown_ = false;
  if (changed_since_save()) {
    Save();
    if (changed_since_save()) return;  // the notice says why
  }
  OpenedPack opened;
  if (pack.exists) {
    opened = ReadEditedPack(pack.folder);
  } else {
    opened.pack.info.name = pack.name;
    opened.pack.info.author = shelf_.author;
    opened.pack.stages.push_back(std::make_shared<const EditedStage>(NewStage("Stage 1")));
  }
  place_ = EditPlace{opened.pack, 0};
  saved_ = pack.exists ? place_.pack : EditedPack{};
  history_ = EditHistory();
  folder_ = pack.folder;
  read_only_ = pack.read_only || !opened.stages_whole;
  copy_folder_ = pack.copy_folder;
  anchor_.reset();
  cursor_column_ = cursor_row_ = 1;
  view_left_ = view_top_ = 0;
  if (!opened.problems.empty()) {
    message_ = opened.problems.front();
  } else if (read_only_) {
    message_ = "The game's own pack: w saves your copy to " + copy_folder_;
  } else {
    message_ = (pack.exists ? "Opened " : "New pack ") + pack.folder;
  }
  Refresh();
}

// Keys while the list of packs is shown. True when the key was the list's.
bool StageEditor::PackListInput(const TypedKey& key) {
  if (!pack_list_shown_) return false;
  if (key == "Return" || key == " ") {
    if (pack_list_choice_ == 0) {
      if (shelf_.make_new) OpenPack(shelf_.make_new());
    } else {
      OpenPack(pack_list_[static_cast<size_t>(pack_list_choice_ - 1)]);
    }
  }
  return true;
}

void StageEditor::StartTyping(TypingField field) {
  if (typing_ != TypingField::kNone) EndTyping(true);
  anchor_.reset();
  typing_ = field;
  if (field == TypingField::kTitle) {
    typed_ = stage().title;
  } else if (std::string* text = FieldOf(place_, field)) {
    typed_ = *text;
  }
}

void StageEditor::EndTyping(bool keep) {
  const TypingField field = std::exchange(typing_, TypingField::kNone);
  if (!keep || field == TypingField::kNone) return;
  if (field == TypingField::kTitle) {
    ChangeStage([&](EditedStage& s) { s.title = typed_; });
  } else {
    ChangePack([&](EditPlace& p) { *FieldOf(p, field) = typed_; });
  }
}

void StageEditor::ShowNextFault() {
  const int total = static_cast<int>(faults_.size() + pack_faults_.size());
  if (total == 0) return;
  shown_fault_ = (shown_fault_ + 1) % total;
  if (shown_fault_ < static_cast<int>(faults_.size())) {
    const StageFault& fault = faults_[static_cast<size_t>(shown_fault_)];
    if (fault.row >= 0) MoveCursorTo(fault.column >= 0 ? fault.column : cursor_column_, fault.row);
  }
}

void StageEditor::Type(const TypedKey& key) {
  const bool character = key.size() == 1;
  if (help_shown_) {
    help_shown_ = false;
    return;
  }
  if (PackListInput(key)) return;
  if (typing_ != TypingField::kNone) {
    if (character) {
      if (typed_.size() < kMostTypedChars) typed_ += key;
    } else if (key == "Backspace") {
      if (!typed_.empty()) typed_.pop_back();
    } else if (key == "Return") {
      EndTyping(true);
    } else if (key == "Tab" && IsPackField(typing_)) {
      const auto at = std::find(std::begin(kPackFields), std::end(kPackFields), typing_);
      const TypingField next = at + 1 == std::end(kPackFields) ? kPackFields[0] : *(at + 1);
      StartTyping(next);
    }
    return;
  }
  if (character) {
    const char c = key[0];
    if (const int index = PaletteIndexOfKey(c); index >= 0) {
      SelectItem(index);
      return;
    }
    switch (c) {
      case ' ':
        UseToolAtCursor();
        break;
      case 'p':
        SelectTool(Tool::kBrush);
        break;
      case 'r':
        SelectTool(Tool::kRectangle);
        break;
      case 'c':
        SelectTool(Tool::kFill);
        break;
      case 'e':
        SelectTool(Tool::kEraser);
        break;
      case 'z':
        Undo();
        break;
      case 'y':
        Redo();
        break;
      case 't':
        StartTyping(TypingField::kTitle);
        break;
      case 'n':
        StartTyping(TypingField::kPackName);
        break;
      case 'l':
        ShowPackList();
        break;
      case 'w':
        Save();
        break;
      case 'k':
        Share(false);
        break;
      case 'v':
        play_requested_ = true;
        break;
      case 'h':
        Prove();
        break;
      case 'm':
        Watch();
        break;
      case 'a':
        StageCommand(StageButton::kAdd);
        break;
      case 'u':
        StageCommand(StageButton::kDuplicate);
        break;
      case '<':
        StageCommand(StageButton::kMoveEarlier);
        break;
      case '>':
        StageCommand(StageButton::kMoveLater);
        break;
      case '[':
        SelectItem(item_ - 1);
        break;
      case ']':
        SelectItem(item_ + 1);
        break;
      case '?':
        help_shown_ = true;
        break;
      default:
        break;
    }
    return;
  }
  if (key == "Return") {
    UseToolAtCursor();
  } else if (key == "Tab") {
    SelectTool(static_cast<Tool>((static_cast<int>(tool_) + 1) % kToolCount));
  } else if (key == "Ctrl+z") {
    Undo();
  } else if (key == "Ctrl+y") {
    Redo();
  } else if (key == "Ctrl+k") {
    Share(true);
  } else if (key == "Ctrl+s") {
    Save();
  } else if (key == "PageUp") {
    StageCommand(StageButton::kPrevious);
  } else if (key == "PageDown") {
    StageCommand(StageButton::kNext);
  } else if (key == "Delete") {
    StageCommand(StageButton::kDelete);
  } else if (key == "F1") {
    help_shown_ = true;
  }
}

void StageEditor::Arrow(Key key) {
  if (help_shown_) {
    help_shown_ = false;
    return;
  }
  if (typing_ != TypingField::kNone) return;
  if (pack_list_shown_) {
    const int lines = static_cast<int>(pack_list_.size()) + 1;
    if (key == Key::Up) pack_list_choice_ = (pack_list_choice_ + lines - 1) % lines;
    if (key == Key::Down) pack_list_choice_ = (pack_list_choice_ + 1) % lines;
    return;
  }
  switch (key) {
    case Key::Up:
      MoveCursorTo(cursor_column_, cursor_row_ - 1);
      break;
    case Key::Down:
      MoveCursorTo(cursor_column_, cursor_row_ + 1);
      break;
    case Key::Left:
      MoveCursorTo(cursor_column_ - 1, cursor_row_);
      break;
    case Key::Right:
      MoveCursorTo(cursor_column_ + 1, cursor_row_);
      break;
    default:
      break;
  }
}

void StageEditor::Escape() {
  if (typing_ != TypingField::kNone) {
    EndTyping(false);
  } else if (pack_list_shown_) {
    pack_list_shown_ = false;
  } else if (help_shown_) {
    help_shown_ = false;
  } else if (anchor_) {
    anchor_.reset();
    message_ = "Rectangle left undrawn";
  } else if (job_) {
    StopJob(job_->work == ProofWork::kProve ? "Proof stopped" : "Rating stopped");
  }
}

void StageEditor::PointerOnMap(const PointerState& pointer, int column, int row) {
  if (pointer.pressed) {
    MoveCursorTo(column, row);
    stroke_recorded_ = false;
    last_column_ = column;
    last_row_ = row;
    if (tool_ == Tool::kRectangle) {
      anchor_ = std::make_pair(column, row);
    } else {
      ApplyAt(column, row, true);
    }
    return;
  }
  if (column == last_column_ && row == last_row_) return;
  // A quick drag skips cells between two looks: the line between them is
  // drawn, one undo step with the rest of the stroke.
  if (tool_ == Tool::kBrush || tool_ == Tool::kEraser) {
    const int steps = std::max(std::abs(column - last_column_), std::abs(row - last_row_));
    for (int step = 1; step <= steps; ++step) {
      const int c = last_column_ + (column - last_column_) * step / steps;
      const int r = last_row_ + (row - last_row_) * step / steps;
      ApplyAt(c, r, !stroke_recorded_);
    }
  }
  last_column_ = column;
  last_row_ = row;
  cursor_column_ = column;
  cursor_row_ = row;
}

void StageEditor::Pointer(const PointerState& pointer) {
  const Spot spot = SpotAt(pointer.x, pointer.y, static_cast<int>(Palette().size()));
  using Part = Spot::Part;
  if (pointer.pressed) {
    pressed_on_ = spot.part;
    if (help_shown_) {
      help_shown_ = false;
      pressed_on_ = Part::kNothing;
      return;
    }
    if (pack_list_shown_) {
      pressed_on_ = Part::kNothing;
      pack_list_shown_ = false;
      if (spot.part != Part::kMap) return;  // a click beside the list closes it
      if (spot.index == 0 && shelf_.make_new) {
        OpenPack(shelf_.make_new());
      } else if (spot.index > 0 && spot.index <= static_cast<int>(pack_list_.size())) {
        OpenPack(pack_list_[static_cast<size_t>(spot.index - 1)]);
      } else {
        pack_list_shown_ = true;  // a line with no pack
      }
      return;
    }
    if (IsPackField(typing_) && spot.part == Part::kMap) {
      // The pack panel lies over the map: a field a row of cells tall each.
      const int field = spot.row / 2 - 1;
      if (field >= 0 && field < static_cast<int>(std::size(kPackFields))) {
        StartTyping(kPackFields[field]);
      }
      pressed_on_ = Part::kNothing;
      return;
    }
    if (typing_ != TypingField::kNone) EndTyping(true);
    switch (spot.part) {
      case Part::kTitle:
        StartTyping(TypingField::kTitle);
        break;
      case Part::kPackName:
        ShowPackList();
        break;
      case Part::kMap:
        break;  // below, with the drag
      case Part::kOverview:
        break;  // below, with the drag
      case Part::kStageButton:
        StageCommand(static_cast<StageButton>(spot.index));
        break;
      case Part::kPalette:
        SelectItem(spot.index);
        break;
      case Part::kToolButton:
        switch (static_cast<ToolButton>(spot.index)) {
          case ToolButton::kBrush:
            SelectTool(Tool::kBrush);
            break;
          case ToolButton::kRectangle:
            SelectTool(Tool::kRectangle);
            break;
          case ToolButton::kFill:
            SelectTool(Tool::kFill);
            break;
          case ToolButton::kEraser:
            SelectTool(Tool::kEraser);
            break;
          case ToolButton::kUndo:
            Undo();
            break;
          case ToolButton::kRedo:
            Redo();
            break;
          case ToolButton::kSave:
            Save();
            break;
          case ToolButton::kPlay:
            play_requested_ = true;
            break;
        }
        break;
      case Part::kMessages:
        ShowNextFault();
        break;
      case Part::kNothing:
        break;
    }
  }
  const bool acting = pointer.pressed || pointer.down || pointer.released;
  if (acting && pressed_on_ == Part::kMap && spot.part == Part::kMap) {
    PointerOnMap(pointer, view_left_ + spot.column, view_top_ + spot.row);
  }
  if (acting && pressed_on_ == Part::kOverview && spot.part == Part::kOverview) {
    view_left_ = std::clamp(spot.column - kMapViewColumns / 2, 0, kLastViewLeft);
    view_top_ = std::clamp(spot.row - kMapViewRows / 2, 0, kLastViewTop);
    cursor_column_ = std::clamp(cursor_column_, view_left_, view_left_ + kMapViewColumns - 1);
    cursor_row_ = std::clamp(cursor_row_, view_top_, view_top_ + kMapViewRows - 1);
  }
  if (pointer.released) {
    if (pressed_on_ == Part::kMap && tool_ == Tool::kRectangle && anchor_) {
      const int c0 = anchor_->first, r0 = anchor_->second;
      anchor_.reset();
      const PaletteItem& item = Palette()[static_cast<size_t>(item_)];
      ChangeStage(
          [&](EditedStage& s) { PutRectangle(s, c0, r0, cursor_column_, cursor_row_, item); });
    }
    pressed_on_ = Part::kNothing;
  }
}

}  // namespace kolvar
