#include "editor/edit_history.h"

#include <utility>

namespace kolvar {

void EditHistory::Record(const EditPlace& before) {
  undo_.push_back(before);
  if (undo_.size() > kMostUndoSteps) undo_.pop_front();
  redo_.clear();
}

bool EditHistory::Undo(EditPlace& now) {
  if (undo_.empty()) return false;
  redo_.push_back(std::move(now));
  now = std::move(undo_.back());
  undo_.pop_back();
  return true;
}

bool EditHistory::Redo(EditPlace& now) {
  if (redo_.empty()) return false;
  undo_.push_back(std::move(now));
  now = std::move(redo_.back());
  redo_.pop_back();
  return true;
}

}  // namespace kolvar
