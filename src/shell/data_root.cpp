#include "shell/data_root.h"

#include <cstdio>
#include <filesystem>

#include "audio/music.h"
#include "core/fatal_error.h"
#include "flow/end_sequences.h"
#include "platform/data_files.h"
#include "stage/map_check.h"
#include "stage/stage_files.h"

namespace kolvar {

namespace {

namespace fs = std::filesystem;

std::string StageFileName(int stage, const char* extension) {
  char name[32];
  std::snprintf(name, sizeof name, "DATA/Stage%02d%s", stage, extension);
  return name;
}

bool HoldsData(const std::string& folder) {
  std::error_code error;
  return fs::is_directory(ResolveDataFile(folder, "DATA"), error);
}

std::string NoDataMessage(const std::string& searched) {
  return "cannot find the game's data: " + searched +
         " (the stage files DATA/Stage01.MAP to DATA/Stage" + std::to_string(kLastStage) +
         ".IVM) and MIDI/ (the music)";
}

}  // namespace

std::vector<std::string> DataFileNames() {
  std::vector<std::string> names;
  for (int stage = 1; stage <= kLastStage; ++stage) {
    names.push_back(StageFileName(stage, ".MAP"));
    names.push_back(StageFileName(stage, ".IVM"));
  }
  for (const char* piece : kMusicFiles) names.push_back(std::string("MIDI/") + piece);
  return names;
}

DataRoot FindDataRoot(const std::string& explicit_root, const std::vector<std::string>& candidates,
                      bool check_files) {
  DataRoot found;
  if (!explicit_root.empty()) {
    // A wrong --root is one line, not a list of every file it lacks.
    std::error_code error;
    const fs::file_status status = fs::status(explicit_root, error);
    if (!fs::exists(status)) {
      throw FatalError("--root " + explicit_root + ": no such folder");
    }
    if (!fs::is_directory(status)) throw FatalError("--root " + explicit_root + ": not a folder");
    if (!HoldsData(explicit_root)) {
      throw FatalError(NoDataMessage("--root " + explicit_root + " holds no DATA/"));
    }
    found.root = explicit_root;
  } else {
    for (const std::string& candidate : candidates) {
      if (HoldsData(candidate)) {
        found.root = candidate;
        break;
      }
    }
    if (found.root.empty()) {
      std::string searched;
      for (const std::string& candidate : candidates) searched += "\n  " + candidate;
      throw FatalError(NoDataMessage("none of these folders holds DATA/") + ":" + searched +
                       "\nreinstall the game, or name the folder that holds them with --root DIR");
    }
  }

  if (!check_files) return found;
  // Every stage file is read and every map checked now, and all that is
  // wrong is reported at once: a game must not stop at stage 5 for a file
  // that could have been named before the window opened.
  std::vector<std::string> faults;
  for (const std::string& name : DataFileNames()) {
    const std::string path = ResolveDataPath(found.root, name);
    if (name.starts_with("MIDI/")) {
      // The music device names a piece that is there but cannot be played.
      std::error_code error;
      if (!fs::exists(path, error)) found.missing_music.push_back(path);
      continue;
    }
    try {
      const StageFileBytes bytes = ReadStageFile(path);
      if (name.ends_with(".MAP")) CheckStageMap(path, bytes);
    } catch (const FatalError& fault) {
      faults.push_back(fault.what());
    }
  }
  if (faults.size() == 1) throw FatalError(faults.front());
  if (!faults.empty()) {
    std::string list;
    for (const std::string& fault : faults) list += "\n  " + fault;
    throw FatalError(std::to_string(faults.size()) + " stage files in " + found.root +
                     " cannot be played:" + list);
  }
  return found;
}

}  // namespace kolvar
