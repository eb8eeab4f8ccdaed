// The music device that sounds: fluidsynth's MIDI player and synthesizer,
// with a General MIDI soundfont, rendering into an SDL audio callback.
//
// Without an audio device or a soundfont the device stays silent (every
// Open returns false) and says why, once, through TakeNotice. A piece that
// cannot be played is reported either way, once, as the headless device
// does.
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
  // What the player should be told about the music (it is off, and why; a
  // soundfont asked for was not there), once; empty when there is nothing
  // (more) to tell.
  virtual std::string TakeNotice() = 0;
};

// Pieces are read from `folder` (names matched without regard to letter
// case, as the data files are), played with the soundfont FindSoundfont
// gives for `soundfont` (empty: the first found). A piece that cannot be
// played is reported to `report` (standard error by default).
std::unique_ptr<SdlMusic> CreateSdlMusicDevice(std::string folder,
                                               std::function<void(const std::string&)> report = {},
                                               const std::string& soundfont = "");

}  // namespace kolvar
