#include "platform/web/web_music.h"

#include <emscripten.h>

#include <cctype>
#include <utility>

#include "platform/data_files.h"
#include "platform/midi_file.h"
#include "platform/music_model.h"

namespace kolvar {
namespace {

// Tells the page which piece should sound: `piece` ("" for none), whether
// it plays, and from how far into it (ms).
EM_JS(void, kolvar_web_music, (const char* piece, int playing, double position_ms),
      { KolvarPage.music.want(UTF8ToString(piece), playing != 0, position_ms); });

// "CLEAR.MID" -> "clear": the name of the piece's sound file in music/.
std::string SoundName(const std::string& path) {
  std::string name = path.substr(path.rfind('/') + 1);
  name = name.substr(0, name.rfind('.'));
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return name;
}

class WebMusicDevice final : public WebMusic {
 public:
  WebMusicDevice(std::string folder, std::function<uint32_t()> clock)
      : folder_(std::move(folder)), model_(std::move(clock)) {}

  void Close() override {
    model_.Close();
    piece_.clear();
    Tell();
  }

  bool Open(const std::string& name) override {
    Close();
    const std::string path = ResolveDataFile(folder_, name);
    const MidiFileResult file = ReadMidiFile(path);
    if (!file.ok()) return false;
    model_.Open(file.info->length_ms);
    piece_ = SoundName(path);
    Tell();
    return true;
  }

  void Play() override {
    if (model_.Play()) Tell();
  }

  void Stop() override {
    if (model_.Stop()) Tell();
  }

  void SeekToStart() override {
    if (model_.SeekToStart()) Tell();
  }

  bool IsStopped() override { return model_.IsStopped(); }

  void SetPaused(bool paused) override {
    paused_ = paused;
    Tell();
  }

 private:
  void Tell() { kolvar_web_music(piece_.c_str(), model_.Playing() && !paused_, model_.Position()); }

  std::string folder_;
  MusicModel model_;
  std::string piece_;
  bool paused_ = false;
};

}  // namespace

std::unique_ptr<WebMusic> CreateWebMusicDevice(std::string folder,
                                               std::function<uint32_t()> clock) {
  return std::make_unique<WebMusicDevice>(std::move(folder), std::move(clock));
}

}  // namespace kolvar
