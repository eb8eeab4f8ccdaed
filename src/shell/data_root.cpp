#include "shell/data_root.h"

#include <cstdio>
#include <filesystem>

#include "audio/music.h"
#include "core/fatal_error.h"
#include "platform/data_files.h"
#include "shell/end_sequences.h"
#include "stage/stage_files.h"

namespace kolvar {

namespace {

namespace fs = std::filesystem;

std::string StageFileName(int stage, const char* extension) {
  char name[32];
  std::snprintf(name, sizeof name, "DATA/Stage%02d%s", stage, extension);
  return name;
}

bool Holds(const std::string& root, const std::string& name) {
  const fs::path relative(name);
  std::error_code error;
  return fs::is_regular_file(
      ResolveDataFile(root + "/" + relative.parent_path().string(), relative.filename().string()),
      error);
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

DataRoot FindDataRoot(const std::string& explicit_root,
                      const std::vector<std::string>& candidates) {
  DataRoot found;
  if (!explicit_root.empty()) {
    found.root = explicit_root;
  } else {
    for (const std::string& candidate : candidates) {
      std::error_code error;
      if (fs::is_directory(candidate + "/DATA", error)) {
        found.root = candidate;
        break;
      }
    }
    if (found.root.empty()) {
      std::string searched;
      for (const std::string& candidate : candidates) searched += "\n  " + candidate;
      throw FatalError(
          "cannot find the game's data: none of these folders holds DATA/ (the "
          "stage files DATA/Stage01.MAP to DATA/Stage" +
          std::to_string(kLastStage) + ".IVM) and MIDI/ (the music):" + searched +
          "\nreinstall the game, or name the folder that holds them with --root DIR");
    }
  }

  std::string missing_stages;
  for (const std::string& name : DataFileNames()) {
    if (Holds(found.root, name)) continue;
    if (name.starts_with("MIDI/")) {
      found.missing_music.push_back(found.root + "/" + name);
    } else {
      missing_stages += "\n  " + found.root + "/" + name;
    }
  }
  if (!missing_stages.empty()) {
    throw FatalError("stage files missing from " + found.root + ":" + missing_stages);
  }
  // A map that would let the player off the map stops the game here rather
  // than in the middle of a game.
  for (int stage = 1; stage <= kLastStage; ++stage) {
    const std::string path = StageFilePath(found.root, stage, ".MAP");
    CheckStageMap(path, ReadStageFile(path));
  }
  return found;
}

}  // namespace kolvar
