// Writes a parsed score as a Standard MIDI File, format 1: a conductor track
// with the title, time signature and tempo changes, then one track per score
// track. Every track ends with an end-of-track event at the end of the piece,
// so the file plays exactly as long as the score's longest track.
#pragma once

#include <cstdint>
#include <vector>

#include "score.h"

namespace midic {

std::vector<uint8_t> WriteMidiFile(const Score& score);

}  // namespace midic
