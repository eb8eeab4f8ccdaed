#include "platform/sdl/music_choice.h"

#include <filesystem>

#include "platform/data_files.h"
#include "platform/sdl/ogg_music.h"

namespace kolvar {

MusicSource ChooseMusicSource(const std::string& folder, const std::string& soundfont) {
  if (!soundfont.empty()) return MusicSource::kLive;
  namespace fs = std::filesystem;
  std::error_code error;
  bool any = false;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
    std::string ending = entry.path().extension().string();
    for (char& c : ending) c = static_cast<char>(c | 0x20);
    if (ending != ".mid") continue;
    const std::string rendered =
        ResolveDataFile(folder, RenderedPieceName(entry.path().filename().string()));
    if (!fs::is_regular_file(rendered, error)) return MusicSource::kLive;
    any = true;
  }
  return any ? MusicSource::kRendered : MusicSource::kLive;
}

std::unique_ptr<SdlMusic> CreateWindowMusic(const std::string& folder, const std::string& soundfont,
                                            std::function<void(const std::string&)> report) {
  if (ChooseMusicSource(folder, soundfont) == MusicSource::kRendered) {
    return CreateOggMusicDevice(folder, std::move(report));
  }
  return CreateSdlMusicDevice(folder, std::move(report), soundfont);
}

}  // namespace kolvar
