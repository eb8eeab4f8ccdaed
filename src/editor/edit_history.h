// Undo and redo: the pack as it was before each change, with the stage
// being edited then, kept for the last kMostUndoSteps changes.
#pragma once

#include <deque>

#include "editor/edited_pack.h"

namespace kolvar {

inline constexpr size_t kMostUndoSteps = 200;

struct EditPlace {
  EditedPack pack;
  int stage = 0;  // the stage being edited, 0 for the first
};

class EditHistory {
 public:
  // Remembers `before`, the place as it was before a change; forgets what
  // could be redone.
  void Record(const EditPlace& before);
  // Goes back one change: `now` becomes the place before it, and can be
  // redone. False when there is nothing to undo.
  bool Undo(EditPlace& now);
  bool Redo(EditPlace& now);
  size_t undo_steps() const { return undo_.size(); }
  size_t redo_steps() const { return redo_.size(); }

 private:
  std::deque<EditPlace> undo_;
  std::deque<EditPlace> redo_;
};

}  // namespace kolvar
