#include "platform/headless/headless_music.h"

#include <algorithm>
#include <utility>

#include "platform/data_files.h"
#include "platform/midi_file.h"

namespace kolvar {
namespace {

class HeadlessMusicDevice final : public MusicDevice {
 public:
  HeadlessMusicDevice(std::string folder, std::function<uint32_t()> clock,
                      MidiWarnings::Report report)
      : folder_(std::move(folder)), clock_(std::move(clock)), warnings_(std::move(report)) {}

  void Close() override {
    open_ = false;
    playing_ = false;
    position_ = 0;
    length_ = 0;
  }

  bool Open(const std::string& name) override {
    Close();
    const MidiFileResult file = ReadMidiFile(ResolveDataFile(folder_, name));
    if (!file.ok()) {
      warnings_.Warn(file);
      return false;
    }
    open_ = true;
    length_ = file.info->length_ms;
    return true;
  }

  void Play() override {
    if (!open_ || Playing()) return;
    position_ = Position();  // A piece played to its end stays at its end.
    playing_ = true;
    started_at_ = clock_();
    started_from_ = position_;
  }

  void Stop() override {
    if (!open_) return;
    position_ = Position();
    playing_ = false;
  }

  void SeekToStart() override {
    if (!open_) return;
    // A piece that is playing goes on playing from the start.
    const bool was_playing = Playing();
    playing_ = false;
    position_ = 0;
    if (was_playing) Play();
  }

  bool IsStopped() override { return open_ && !Playing(); }

 private:
  // Milliseconds into the piece, never past its end.
  uint32_t Position() const {
    if (!playing_) return position_;
    // Unsigned subtraction keeps working when the clock wraps around.
    const uint64_t elapsed = static_cast<uint32_t>(clock_() - started_at_);
    return static_cast<uint32_t>(std::min<uint64_t>(length_, started_from_ + elapsed));
  }

  // Playing means started and not yet at the end.
  bool Playing() const { return playing_ && Position() < length_; }

  std::string folder_;
  std::function<uint32_t()> clock_;
  MidiWarnings warnings_;
  bool open_ = false;
  bool playing_ = false;
  uint32_t length_ = 0;
  uint32_t position_ = 0;      // while not playing
  uint32_t started_at_ = 0;    // clock reading when Play began
  uint32_t started_from_ = 0;  // position when Play began
};

}  // namespace

std::unique_ptr<MusicDevice> CreateHeadlessMusicDevice(
    std::string folder, std::function<uint32_t()> clock,
    std::function<void(const std::string&)> report) {
  return std::make_unique<HeadlessMusicDevice>(std::move(folder), std::move(clock),
                                               std::move(report));
}

}  // namespace kolvar
