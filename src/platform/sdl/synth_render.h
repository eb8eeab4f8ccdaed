// The synthesizer's settings, shared by the music device that sounds and by
// an offline renderer that plays a whole MIDI file into memory with them (to
// measure how loud the music comes out).
#pragma once

#include <string>
#include <vector>

namespace kolvar {

// fluidsynth's default gain of 0.2 is far quieter than other programs; at
// 0.5 the game's pieces play at a normal level.
inline constexpr double kSynthGain = 0.5;
inline constexpr int kSynthSampleRate = 44100;

// The first General MIDI soundfont installed (Debian's fluid-soundfont-gm),
// or nullptr.
const char* FindGmSoundfont();

struct RenderedPiece {
  std::string error;           // empty when the piece was rendered
  std::vector<float> samples;  // interleaved stereo, full scale is 1.0
  double seconds = 0;          // the piece's length, up to its last event
};

// Plays the MIDI file from start to end through a synthesizer set up as the
// music device's, then renders `tail_seconds` more (notes still dying away).
// The file is checked by the same reader as the music devices'.
RenderedPiece RenderMidiFile(const std::string& path, double tail_seconds);

}  // namespace kolvar
