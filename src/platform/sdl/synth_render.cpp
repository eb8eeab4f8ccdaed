#include "platform/sdl/synth_render.h"

#include <fluidsynth.h>
#include <unistd.h>

#include <algorithm>
#include <array>

#include "platform/midi_file.h"

namespace kolvar {

const char* FindGmSoundfont() {
  static constexpr std::array<const char*, 2> kSoundfonts = {
      "/usr/share/sounds/sf2/FluidR3_GM.sf2",
      "/usr/share/sounds/sf2/default-GM.sf2",
  };
  for (const char* path : kSoundfonts) {
    if (access(path, R_OK) == 0) return path;
  }
  return nullptr;
}

RenderedPiece RenderMidiFile(const std::string& path, double tail_seconds) {
  RenderedPiece piece;
  const char* soundfont = FindGmSoundfont();
  if (!soundfont) {
    piece.error = "no General MIDI soundfont installed (fluid-soundfont-gm)";
    return piece;
  }
  const MidiFileResult midi = ReadMidiFile(path);
  if (!midi.ok()) {
    piece.error = path + ": " + midi.error;
    return piece;
  }
  const uint32_t length_ms = midi.info->length_ms;
  fluid_settings_t* settings = new_fluid_settings();
  fluid_settings_setnum(settings, "synth.sample-rate", kSynthSampleRate);
  fluid_settings_setnum(settings, "synth.gain", kSynthGain);
  fluid_settings_setstr(settings, "player.timing-source", "sample");
  // As the device: only the instruments in use are read, nothing is locked.
  fluid_settings_setint(settings, "synth.dynamic-sample-loading", 1);
  fluid_settings_setint(settings, "synth.lock-memory", 0);
  fluid_synth_t* synth = new_fluid_synth(settings);
  fluid_player_t* player = synth ? new_fluid_player(synth) : nullptr;
  if (!player || fluid_synth_sfload(synth, soundfont, 1) == FLUID_FAILED ||
      fluid_player_add(player, path.c_str()) == FLUID_FAILED ||
      fluid_player_play(player) == FLUID_FAILED) {
    piece.error = path + ": the synthesizer could not play it";
  } else {
    // The piece ends where the music device says it does: at its last
    // event, as the MIDI file reader measures it.
    piece.seconds = length_ms / 1000.0;
    const int64_t total =
        static_cast<int64_t>((piece.seconds + tail_seconds) * kSynthSampleRate + 0.5);
    constexpr int kBlock = 512;
    std::array<float, 2 * kBlock> block{};
    for (int64_t frames = 0; frames < total; frames += kBlock) {
      const int n = static_cast<int>(std::min<int64_t>(kBlock, total - frames));
      fluid_synth_write_float(synth, n, block.data(), 0, 2, block.data(), 1, 2);
      piece.samples.insert(piece.samples.end(), block.begin(), block.begin() + 2 * n);
    }
  }
  if (player) delete_fluid_player(player);
  if (synth) delete_fluid_synth(synth);
  delete_fluid_settings(settings);
  return piece;
}

}  // namespace kolvar
