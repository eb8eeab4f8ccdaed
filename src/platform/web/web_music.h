// The browser's music device. The pieces were rendered at build time by the
// desktop's synthesizer settings into Ogg Vorbis files (music/NAME.ogg);
// the page plays them through Web Audio.
//
// What the game sees (open, play, stop, rewind, stopped) runs on the game's
// own clock from each MIDI file's length, as the desktop device's player
// moves with the sound it renders: a piece reaches its end after its length
// of playing time, pauses hold it, and the music timer finds it stopped at
// the same moments everywhere. The sound follows: the page is told the
// piece, whether it plays and from where, at every change; it starts late
// (before the first key or touch, or while the file still loads) at the
// place the piece has reached by then.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/music_device.h"

namespace kolvar {

class WebMusic : public MusicDevice {
 public:
  // While paused the sound stops; the game's clock stands still, so the
  // piece keeps its place.
  virtual void SetPaused(bool paused) = 0;
};

// `clock` is the game's clock (it stands still while the game is paused).
std::unique_ptr<WebMusic> CreateWebMusicDevice(std::string folder, std::function<uint32_t()> clock);

}  // namespace kolvar
