// A machine-readable record of a run, one JSON object per line: the state
// after every shown play frame and an event line for each moment that
// matters (stage start, scroll, key, miss, music...). Replays compare traces
// exactly, so everything here is deterministic under the headless clock.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace kolvar {

struct Game;

class Trace {
 public:
  explicit Trace(std::FILE* out) : out_(out) {}
  void Event(uint32_t time, std::string_view name, std::string_view fields = {});
  void Frame(const Game& game);

 private:
  std::FILE* out_;
};

// Quotes a string for JSON.
std::string JsonString(std::string_view text);

// Writes an event line when the game is traced; does nothing otherwise.
// `fields` holds extra JSON members without braces or a leading comma,
// e.g. R"("dir":"right")".
void TraceEvent(Game& game, std::string_view name, std::string_view fields = {});

}  // namespace kolvar
