// oggc INPUT.mid OUTPUT.ogg: the piece as the desktop's music device plays
// it (fluidsynth, the General MIDI soundfont, the device's gain), with two
// seconds for the last notes to die away, as Ogg Vorbis.

#include <cstdio>
#include <string>

#include "ogg_writer.h"
#include "platform/sdl/synth_render.h"

namespace {

// Vorbis quality 0.2 (about 70 kbit/s in stereo): the pieces are synthesized
// instruments, which lose nothing a player hears at this rate.
constexpr float kQuality = 0.2f;
constexpr double kTailSeconds = 2.0;

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: oggc INPUT.mid OUTPUT.ogg\n", stderr);
    return 2;
  }
  const kolvar::RenderedPiece piece = kolvar::RenderMidiFile(argv[1], kTailSeconds);
  if (!piece.error.empty()) {
    std::fprintf(stderr, "oggc: %s\n", piece.error.c_str());
    return 1;
  }
  const std::string error =
      kolvar::WriteOggVorbis(argv[2], piece.samples, kolvar::kSynthSampleRate, kQuality);
  if (!error.empty()) {
    std::fprintf(stderr, "oggc: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
