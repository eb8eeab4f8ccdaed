// The music device that sounds: fluidsynth's MIDI player and synthesizer,
// with a General MIDI soundfont, rendering into an SDL audio callback.
//
// Without an audio device or a soundfont the device stays silent: every
// Open returns false and nothing is printed.
#pragma once

#include <memory>

#include "platform/music_device.h"

namespace kolvar {

std::unique_ptr<MusicDevice> CreateSdlMusicDevice();

}  // namespace kolvar
