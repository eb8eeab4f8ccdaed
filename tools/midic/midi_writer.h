// Writes a parsed score as a Standard MIDI File, format 1: a conductor track
// with the title, time signature and tempo changes, then one track per score
// track. Every track ends with an end-of-track event at the end of the piece,
// so the file plays exactly as long as the score's longest track.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "score.h"

namespace midic {

// The largest MIDI file the game reads (its kMaxMidiFileBytes); midic
// refuses to write a larger one, which the game would never play.
inline constexpr size_t kMaxMidiFileBytes = 1u << 20;

std::vector<uint8_t> WriteMidiFile(const Score& score);

}  // namespace midic
