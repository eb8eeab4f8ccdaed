#include "platform/web/web_music.h"

#include <emscripten.h>

#include <algorithm>
#include <cctype>
#include <utility>

#include "platform/data_files.h"
#include "platform/midi_file.h"

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
      : folder_(std::move(folder)), clock_(std::move(clock)) {}

  void Close() override {
    open_ = false;
    playing_ = false;
    position_ = 0;
    length_ = 0;
    piece_.clear();
    Tell();
  }

  bool Open(const std::string& name) override {
    Close();
    const std::string path = ResolveDataFile(folder_, name);
    const MidiFileResult file = ReadMidiFile(path);
    if (!file.ok()) return false;
    open_ = true;
    length_ = file.info->length_ms;
    piece_ = SoundName(path);
    Tell();
    return true;
  }

  void Play() override {
    if (!open_ || Playing()) return;
    position_ = Position();  // A piece played to its end stays at its end.
    playing_ = true;
    started_at_ = clock_();
    started_from_ = position_;
    Tell();
  }

  void Stop() override {
    if (!open_) return;
    position_ = Position();
    playing_ = false;
    Tell();
  }

  void SeekToStart() override {
    if (!open_) return;
    // A piece that is playing goes on playing from the start.
    const bool was_playing = Playing();
    playing_ = false;
    position_ = 0;
    if (was_playing) {
      Play();
    } else {
      Tell();
    }
  }

  bool IsStopped() override { return open_ && !Playing(); }

  void SetPaused(bool paused) override {
    paused_ = paused;
    Tell();
  }

 private:
  // Milliseconds into the piece, never past its end.
  uint32_t Position() const {
    if (!playing_) return position_;
    const uint64_t elapsed = static_cast<uint32_t>(clock_() - started_at_);
    return static_cast<uint32_t>(std::min<uint64_t>(length_, started_from_ + elapsed));
  }

  bool Playing() const { return playing_ && Position() < length_; }

  void Tell() {
    kolvar_web_music(piece_.c_str(), open_ && playing_ && !paused_ && Position() < length_,
                     Position());
  }

  std::string folder_;
  std::function<uint32_t()> clock_;
  std::string piece_;
  bool open_ = false;
  bool playing_ = false;
  bool paused_ = false;
  uint32_t length_ = 0;
  uint32_t position_ = 0;      // while not playing
  uint32_t started_at_ = 0;    // clock reading when Play began
  uint32_t started_from_ = 0;  // position when Play began
};

}  // namespace

std::unique_ptr<WebMusic> CreateWebMusicDevice(std::string folder,
                                               std::function<uint32_t()> clock) {
  return std::make_unique<WebMusicDevice>(std::move(folder), std::move(clock));
}

}  // namespace kolvar
