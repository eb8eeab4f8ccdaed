// The program-wide source of random numbers. It starts from a fixed seed and
// is never reseeded, so every run draws the same sequence and a recorded
// input replays exactly.
#pragma once

#include <cstdint>

namespace kolvar {

class RandomSource {
 public:
  // Next number, uniform in [0, 1).
  double Next() {
    // xorshift64*: small, fast and statistically sound for game use.
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    const uint64_t bits = state_ * 0x2545F4914F6CDD1Dull;
    return static_cast<double>(bits >> 11) * 0x1.0p-53;
  }

  // Equal sources draw the same numbers from here on.
  bool operator==(const RandomSource&) const = default;

 private:
  uint64_t state_ = 0x4B6F6C7661722121ull;
};

}  // namespace kolvar
