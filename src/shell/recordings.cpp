#include "shell/recordings.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "platform/printable.h"
#include "platform/regular_file.h"
#include "shell/command_line.h"
#include "shell/data_root.h"
#include "stage/stage_files.h"

namespace kolvar {

namespace {

uint32_t Fnv1a(const uint8_t* bytes, size_t size) {
  uint32_t hash = 2166136261u;
  for (size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 16777619u;
  return hash;
}

std::string Describe(const std::string& pack_name, const std::string& pack_key) {
  if (pack_name.empty()) return "the game's own stages";
  std::string said = "the stage pack '" + PrintableUtf8(pack_name) + "'";
  if (!pack_key.empty()) said += " (folder " + PrintableUtf8(pack_key) + ")";
  return said;
}

}  // namespace

StageSet OwnStageSet(const std::string& root) {
  StageSet set;
  for (int i = 0; i < kRecordedStageFiles; ++i) {
    const StageFileBytes bytes =
        ReadStageFile(StageFilePath(root, i / 2 + 1, i % 2 == 0 ? ".MAP" : ".IVM"));
    set.digests.push_back(Fnv1a(bytes.data(), bytes.size()));
  }
  return set;
}

StageSet PackStageSet(const std::vector<StageGrids>& stages, const std::string& pack_name,
                      const std::string& pack_key) {
  StageSet set;
  for (const StageGrids& stage : stages) {
    set.digests.push_back(Fnv1a(stage.map.data(), stage.map.size()));
    set.digests.push_back(Fnv1a(stage.spawns.data(), stage.spawns.size()));
  }
  set.pack_name = pack_name;
  set.pack_key = pack_key;
  return set;
}

RecordingHeader NewRecordingHeader(const StageSet& stages) {
  RecordingHeader header;
  header.program_version = kVersionLine;
  header.stage_digests = stages.digests;
  header.pack_name = stages.pack_name;
  header.pack_key = stages.pack_key;
  return header;
}

std::optional<std::string> StageSetDifference(const RecordingHeader& recorded,
                                              const StageSet& here) {
  const std::vector<uint32_t>& was = recorded.stage_digests;
  const std::vector<uint32_t>& is = here.digests;
  if (was == is) return std::nullopt;
  const size_t first = static_cast<size_t>(
      std::mismatch(was.begin(), was.end(), is.begin(), is.end()).first - was.begin());
  // Between two sets of the game's own stages (another data folder, an
  // edited stage file) the stage file is named.
  if (recorded.pack_name.empty() && here.pack_name.empty() && was.size() == is.size() &&
      is.size() == kRecordedStageFiles) {
    return "recorded with other stages (" + DataFileNames()[first] + " differs)";
  }
  std::string difference;
  if (was.size() != is.size()) {
    difference = std::to_string(was.size() / 2) + " stages recorded, " +
                 std::to_string(is.size() / 2) + " here";
  } else {
    difference = "stage " + std::to_string(first / 2 + 1) +
                 (first % 2 == 0 ? "'s map differs" : "'s enemy placement differs");
  }
  return "recorded with " + Describe(recorded.pack_name, recorded.pack_key) + ", replayed with " +
         Describe(here.pack_name, here.pack_key) + ": " + difference;
}

OpenedRecording OpenRecording(const std::string& path, const StageSet& here) {
  auto fail = [&](const std::string& fault) { return std::runtime_error(path + ": " + fault); };
  RegularFile file = ReadRegularFile(path, kMaxRecordingBytes);
  if (file.status == RegularFile::Status::kTooLarge) {
    throw fail("larger than " + std::to_string(kMaxRecordingBytes) + " bytes: not a recording");
  }
  if (!file.ok()) throw fail("cannot read the recording: " + file.reason);
  OpenedRecording opened;
  opened.reader = RecordingReader(std::move(file.bytes));
  if (const auto fault = opened.reader.ReadHeader(opened.header)) throw fail(*fault);
  if (const auto difference = StageSetDifference(opened.header, here)) {
    throw fail(*difference + "; it replays only with the stages it was played on");
  }
  if (opened.header.program_version != kVersionLine) {
    opened.notice = path + ": recorded by " + PrintableUtf8(opened.header.program_version) +
                    ", played by " + kVersionLine +
                    "; the replay goes another way if a rule of play changed";
  }
  return opened;
}

}  // namespace kolvar
