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

// The soundfont the music plays with, and what the player should hear of
// the choice.
struct SoundfontChoice {
  std::string path;     // empty: none was found, the music is off
  std::string problem;  // empty when all went as asked
};

// `wanted` is the soundfont the player named (the settings' `soundfont` or
// --soundfont; "~/" is the home folder), empty for none. Without one, or
// where it cannot be read, the first of these is taken: in
// $XDG_DATA_HOME (~/.local/share), then each of $XDG_DATA_DIRS
// (/usr/local/share:/usr/share), the folders soundfonts/, sounds/sf2/ and
// sounds/sf3/, in each first FluidR3_GM, default-GM, default and
// TimGM6mb (.sf2, then .sf3), then any other .sf2 or .sf3 by name.
SoundfontChoice FindSoundfont(const std::string& wanted = "");

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
