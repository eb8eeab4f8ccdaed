// Ogg Vorbis files from interleaved stereo samples.
#pragma once

#include <string>
#include <vector>

namespace kolvar {

// Encodes `samples` (interleaved stereo, full scale 1.0, at `sample_rate`)
// at Vorbis quality `quality` (-0.1 to 1.0) into `path`, written whole or
// not at all. Returns an error message, or an empty string.
std::string WriteOggVorbis(const std::string& path, const std::vector<float>& samples,
                           int sample_rate, float quality);

}  // namespace kolvar
