#include "platform/headless/headless_music.h"

#include <utility>

#include "platform/data_files.h"
#include "platform/midi_file.h"
#include "platform/music_model.h"

namespace kolvar {
namespace {

class HeadlessMusicDevice final : public MusicDevice {
 public:
  HeadlessMusicDevice(std::string folder, std::function<uint32_t()> clock,
                      MidiWarnings::Report report)
      : folder_(std::move(folder)), model_(std::move(clock)), warnings_(std::move(report)) {}

  void Close() override { model_.Close(); }

  bool Open(const std::string& name) override {
    Close();
    const MidiFileResult file = ReadMidiFile(ResolveDataFile(folder_, name));
    if (!file.ok()) {
      warnings_.Warn(file);
      return false;
    }
    model_.Open(file.info->length_ms);
    return true;
  }

  void Play() override { model_.Play(); }
  void Stop() override { model_.Stop(); }
  void SeekToStart() override { model_.SeekToStart(); }
  bool IsStopped() override { return model_.IsStopped(); }

 private:
  std::string folder_;
  MusicModel model_;
  MidiWarnings warnings_;
};

}  // namespace

std::unique_ptr<MusicDevice> CreateHeadlessMusicDevice(
    std::string folder, std::function<uint32_t()> clock,
    std::function<void(const std::string&)> report) {
  return std::make_unique<HeadlessMusicDevice>(std::move(folder), std::move(clock),
                                               std::move(report));
}

}  // namespace kolvar
