// A recording file checked before it is played: read from disk, refused
// when it was played on other stages, with the stage file named.
#include "shell/recordings.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <stdexcept>

namespace kolvar {
namespace {

namespace fs = std::filesystem;

TEST(Recordings, ARecordingOfOtherStagesIsRefusedNamingTheFirstStageFileThatDiffers) {
  const fs::path dir = fs::temp_directory_path() / ("kolvar_stageset_" + std::to_string(getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  const StageDigests here = DigestStages(".");
  // Each stage file gives its own digest.
  EXPECT_EQ(std::set<uint32_t>(here.begin(), here.end()).size(), here.size());
  const struct {
    int changed;  // -1: none
    std::string said;
  } cases[] = {{-1, ""},
               {0, "DATA/Stage01.MAP differs"},
               {5, "DATA/Stage03.IVM differs"},
               {31, "DATA/Stage16.IVM differs"}};
  for (const auto& c : cases) {
    StageDigests recorded = here;
    if (c.changed >= 0) recorded[static_cast<size_t>(c.changed)] ^= 1;
    std::string bytes = EncodeHeader(NewRecordingHeader(recorded));
    AppendPass(bytes, {{}, 1, true});
    const fs::path file = dir / "game.kvr";
    std::ofstream(file, std::ios::binary) << bytes;
    try {
      const OpenedRecording opened = OpenRecording(file.string(), here);
      EXPECT_EQ(c.said, "") << "accepted";
      EXPECT_EQ(opened.notice, "");
    } catch (const std::runtime_error& refused) {
      EXPECT_EQ(std::string(refused.what()),
                file.string() + ": recorded with other stages (" + c.said +
                    "); it replays only with the stages it was played on");
    }
  }
  // Not a file that can be read, or not a recording.
  for (const fs::path& path : {dir / "missing.kvr", dir}) {
    EXPECT_THROW(OpenRecording(path.string(), here), std::runtime_error);
  }
  fs::remove_all(dir);
}

}  // namespace
}  // namespace kolvar
