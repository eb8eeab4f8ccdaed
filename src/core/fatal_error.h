// An error the game cannot go on from (a stage file missing or malformed).
// It unwinds to main, which prints the message as one line and exits with
// status 1.
#pragma once

#include <stdexcept>
#include <string>

namespace kolvar {

class FatalError : public std::runtime_error {
 public:
  explicit FatalError(const std::string& message) : std::runtime_error(message) {}
};

// Thrown out of whatever wait is running when the user closes the window,
// after the music has been stopped; main exits with status 0.
struct CloseRequested {};

}  // namespace kolvar
