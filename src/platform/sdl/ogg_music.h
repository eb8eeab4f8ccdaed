// The music device that plays the pieces rendered at build time: each MIDI
// file's sound, synthesized with the game's own settings (tools/oggc), as
// NAME.ogg beside NAME.mid, decoded with libvorbisfile into an SDL audio
// callback. It costs a fraction of live synthesis in processor time and
// memory, and needs no soundfont.
//
// The piece keeps the MIDI file's timing: it ends (IsStopped) at the MIDI
// file's last event, as the live device's does; the rendered tail after it
// keeps ringing until the piece is stopped, rewound or closed, which fade
// it out in a few hundredths of a second, like the synthesizer's release.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/sdl/sdl_music.h"

namespace kolvar {

// The rendered piece's file name for a MIDI file's name: its ending
// replaced with ".ogg" ("CLEAR.MID" -> "CLEAR.ogg").
std::string RenderedPieceName(const std::string& midi_name);

// Pieces are read from `folder`: the MIDI file for its length (and to
// refuse what the live device refuses), the .ogg beside it for the sound.
// Without an audio device every Open returns false. A piece that cannot be
// played is reported to `report` (standard error by default), once, as the
// live device does.
std::unique_ptr<SdlMusic> CreateOggMusicDevice(std::string folder,
                                               std::function<void(const std::string&)> report = {});

}  // namespace kolvar
