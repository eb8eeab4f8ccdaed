// Which music device the window plays with.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/sdl/sdl_music.h"

namespace kolvar {

enum class MusicSource {
  kRendered,  // the pieces rendered at build time (ogg_music.h)
  kLive,      // fluidsynth with a soundfont (sdl_music.h)
};

// The rendered pieces, unless the player named a soundfont (a choice to
// hear the music through it) or some MIDI file in `folder` has no rendered
// piece beside it (a data folder from an older build, or made by hand).
MusicSource ChooseMusicSource(const std::string& folder, const std::string& soundfont);

// `report` hears of pieces that cannot be played (standard error by
// default).
std::unique_ptr<SdlMusic> CreateWindowMusic(const std::string& folder, const std::string& soundfont,
                                            std::function<void(const std::string&)> report = {});

}  // namespace kolvar
