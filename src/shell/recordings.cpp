#include "shell/recordings.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>

#include "shell/command_line.h"
#include "shell/data_root.h"
#include "stage/stage_files.h"

namespace kolvar {

StageDigests DigestStages(const std::string& root) {
  StageDigests digests{};
  for (int i = 0; i < kRecordedStageFiles; ++i) {
    const StageFileBytes bytes =
        ReadStageFile(StageFilePath(root, i / 2 + 1, i % 2 == 0 ? ".MAP" : ".IVM"));
    uint32_t hash = 2166136261u;
    for (uint8_t byte : bytes) hash = (hash ^ byte) * 16777619u;
    digests[static_cast<size_t>(i)] = hash;
  }
  return digests;
}

RecordingHeader NewRecordingHeader(const StageDigests& stages) {
  RecordingHeader header;
  header.program_version = kVersionLine;
  header.stage_digests = stages;
  return header;
}

OpenedRecording OpenRecording(const std::string& path, const StageDigests& stages) {
  auto fail = [&](const std::string& fault) { return std::runtime_error(path + ": " + fault); };
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                       &std::fclose);
  if (!file) throw fail(std::string("cannot read the recording: ") + std::strerror(errno));
  std::string bytes;
  char buffer[65536];
  size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
    bytes.append(buffer, got);
    if (bytes.size() > kMaxRecordingBytes) {
      throw fail("larger than " + std::to_string(kMaxRecordingBytes) + " bytes: not a recording");
    }
  }
  // A directory opens but does not read (EISDIR).
  if (std::ferror(file.get())) {
    throw fail(std::string("cannot read the recording: ") + std::strerror(errno));
  }
  OpenedRecording opened;
  opened.reader = RecordingReader(std::move(bytes));
  if (const auto fault = opened.reader.ReadHeader(opened.header)) throw fail(*fault);
  const std::vector<std::string> names = DataFileNames();
  for (int i = 0; i < kRecordedStageFiles; ++i) {
    if (opened.header.stage_digests[static_cast<size_t>(i)] != stages[static_cast<size_t>(i)]) {
      throw fail("recorded with other stages (" + names[static_cast<size_t>(i)] +
                 " differs); it replays only with the stages it was played on");
    }
  }
  if (opened.header.program_version != kVersionLine) {
    opened.notice = path + ": recorded by " + opened.header.program_version + ", played by " +
                    kVersionLine + "; the replay goes another way if a rule of play changed";
  }
  return opened;
}

}  // namespace kolvar
