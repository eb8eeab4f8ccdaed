// The music device that sounds: fluidsynth's MIDI player and synthesizer,
// with a General MIDI soundfont, rendering into an SDL audio callback.
//
// Without an audio device or a soundfont the device stays silent: every
// Open returns false. A piece that cannot be played is reported either way,
// once, as the headless device does.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/music_device.h"

namespace kolvar {

// What the window asks of its music beyond the game's needs.
class SdlMusic : public MusicDevice {
 public:
  // While paused the sound stops and the piece keeps its place; playing on
  // goes on from there.
  virtual void SetPaused(bool paused) = 0;
  // Loudness in percent of the normal level, 0 to 100.
  virtual void SetVolume(int percent) = 0;
};

// Pieces are read from `folder` (names matched without regard to letter
// case, as the data files are). A piece that cannot be played is reported
// to `report` (standard error by default).
std::unique_ptr<SdlMusic> CreateSdlMusicDevice(std::string folder,
                                               std::function<void(const std::string&)> report = {});

}  // namespace kolvar
