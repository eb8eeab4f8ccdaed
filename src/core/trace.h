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

// A line that cannot be written throws std::runtime_error naming the file:
// a trace with holes is worse than none.
class Trace {
 public:
  explicit Trace(std::FILE* out, std::string name = "trace") : out_(out), name_(std::move(name)) {}
  void Event(uint32_t time, std::string_view name, std::string_view fields = {});
  void Frame(const Game& game);
  // Flushes what is buffered; throws when it cannot be written.
  void Finish();

 private:
  void Write(const std::string& line);
  [[noreturn]] void Fail();

  std::FILE* out_;
  std::string name_;
  std::string frame_line_;  // Frame's line, its room kept from frame to frame
};

// Quotes a string for JSON.
std::string JsonString(std::string_view text);

// Writes an event line when the game is traced; does nothing otherwise.
// `fields` holds extra JSON members without braces or a leading comma,
// e.g. R"("dir":"right")".
void TraceEvent(Game& game, std::string_view name, std::string_view fields = {});

}  // namespace kolvar
