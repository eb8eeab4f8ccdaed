// A stage pack as the editor holds it: pack.txt's name, author and
// description and the stages in their order, read from a pack's folder
// (faulty stages too, so unfinished work opens again) and turned back into
// the files of a pack.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "editor/edited_stage.h"
#include "stage/stage_pack.h"

namespace kolvar {

struct EditedPack {
  PackInfo info;
  // Shared and never changed in place: a change replaces the stage, so the
  // undo history keeps only the stages that differ.
  std::vector<std::shared_ptr<const EditedStage>> stages;

  bool operator==(const EditedPack& other) const;
};

struct OpenedPack {
  EditedPack pack;
  // What could not be read ("FILE: ..."); the pack opens with the rest.
  std::vector<std::string> problems;
  // False when a stage could not be read whole (unreadable, a fault of its
  // text's form, a gap in the numbers): saving over the folder would lose
  // what the editor could not read, so it saves a copy instead.
  bool stages_whole = true;
};

// Reads the pack in `folder`: pack.txt and stage01.txt on while they exist.
// A folder without any gives a pack with one new stage.
OpenedPack ReadEditedPack(const std::string& folder);

// The files of the pack, by name in its folder: pack.txt, then
// stage01.txt, stage02.txt, ...
std::vector<std::pair<std::string, std::string>> PackFiles(const EditedPack& pack);

// pack.txt's text.
std::string PackInfoText(const PackInfo& info);

// True for the names of a pack's own files, which saving writes anew:
// pack.txt and stageNN.txt.
bool IsPackSourceName(const std::string& name);

// "stage07.txt".
std::string StageFileName(int number);

// The faults of the pack's own text (no author, a name too long), one line
// each without the file's name.
std::vector<std::string> PackInfoFaults(const PackInfo& info);

}  // namespace kolvar
