#include "core/trace.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <initializer_list>
#include <stdexcept>
#include <string>

#include "core/game.h"

namespace kolvar {

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char buffer[8];
      std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
      out += buffer;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

void Trace::Event(uint32_t time, std::string_view name, std::string_view fields) {
  std::string line = "{\"t\":" + std::to_string(time) + ",\"event\":" + JsonString(name);
  if (!fields.empty()) {
    line += ',';
    line += fields;
  }
  line += "}\n";
  Write(line);
}

namespace {

// Appends a number's decimal digits, as std::to_string writes them.
void AppendNumber(std::string& line, int64_t value) {
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  line.append(digits, end);
}

// Appends numbers separated by commas.
void AppendNumbers(std::string& line, std::initializer_list<int32_t> values) {
  bool first = true;
  for (const int32_t value : values) {
    if (!first) line += ',';
    first = false;
    AppendNumber(line, value);
  }
}

}  // namespace

void Trace::Frame(const Game& g) {
  // One line a play frame: built in a buffer kept from frame to frame.
  std::string& line = frame_line_;
  line.assign("{\"t\":");
  AppendNumber(line, g.platform->Clock());
  line += ",\"stage\":";
  AppendNumber(line, g.StageNumber);
  line += ",\"time\":";
  AppendNumber(line, g.TimeLeft);
  line += ",\"score\":";
  AppendNumber(line, g.Score);
  line += ",\"hiscore\":";
  AppendNumber(line, g.HiScore);
  line += ",\"lives\":";
  AppendNumber(line, g.Lives);
  line += ",\"flags\":[";
  for (size_t i = 0; i < g.GameFlags.size(); ++i) {
    if (i) line += ',';
    AppendNumber(line, g.GameFlags[i]);
  }
  line += "],\"view\":[";
  AppendNumbers(line, {g.ViewX, g.ViewY});
  line += "],\"player\":[";
  AppendNumbers(line, {g.PlayerX, g.PlayerY, g.PlayerDir, g.PlayerAnimStep});
  line += "],\"enemies\":[";
  bool first = true;
  for (size_t i = 0; i < g.EnemyTable.size(); ++i) {
    const EnemySlot& e = g.EnemyTable[i];
    if (e.Active != kTrue) continue;
    line += first ? "[" : ",[";
    first = false;
    AppendNumber(line, static_cast<int64_t>(i));
    line += ',';
    AppendNumbers(line, {e.Kind, e.X, e.Y, e.Facing, e.AnimFrame});
    line += ']';
  }
  line += "]}\n";
  Write(line);
}

void Trace::Write(const std::string& line) {
  if (std::fputs(line.c_str(), out_) == EOF) Fail();
}

void Trace::Finish() {
  if (std::fflush(out_) != 0 || std::ferror(out_)) Fail();
}

void Trace::Fail() {
  const int error = errno;
  throw std::runtime_error(
      name_ + ": cannot write the trace: " + (error ? std::strerror(error) : "write error"));
}

void TraceEvent(Game& game, std::string_view name, std::string_view fields) {
  if (game.trace) game.trace->Event(game.platform->Clock(), name, fields);
}

}  // namespace kolvar
