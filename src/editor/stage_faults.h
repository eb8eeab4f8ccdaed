// The stage compiler's rules run on the stage being drawn: each broken rule
// in words, with the cell it is about so the map can mark it.
#pragma once

#include <string>
#include <vector>

#include "editor/edited_stage.h"

namespace kolvar {

struct StageFault {
  std::string message;
  int column = -1;  // the cell the fault is about; -1 when none is (a
  int row = -1;     // missing exit door), or only the row is known
};

// Every fault the compiler finds in the stage's text, in its order.
std::vector<StageFault> FindStageFaults(const EditedStage& stage);

}  // namespace kolvar
