#include "core/trace.h"

#include <cerrno>
#include <cstring>
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

void Trace::Frame(const Game& g) {
  std::string line = "{\"t\":" + std::to_string(g.platform->Clock());
  line += ",\"stage\":" + std::to_string(g.StageNumber);
  line += ",\"time\":" + std::to_string(g.TimeLeft);
  line += ",\"score\":" + std::to_string(g.Score);
  line += ",\"hiscore\":" + std::to_string(g.HiScore);
  line += ",\"lives\":" + std::to_string(g.Lives);
  line += ",\"flags\":[";
  for (size_t i = 0; i < g.GameFlags.size(); ++i) {
    line += (i ? "," : "") + std::to_string(g.GameFlags[i]);
  }
  line += "],\"view\":[" + std::to_string(g.ViewX) + "," + std::to_string(g.ViewY) + "]";
  line += ",\"player\":[" + std::to_string(g.PlayerX) + "," + std::to_string(g.PlayerY) + "," +
          std::to_string(g.PlayerDir) + "," + std::to_string(g.PlayerAnimStep) + "]";
  line += ",\"enemies\":[";
  bool first = true;
  for (size_t i = 0; i < g.EnemyTable.size(); ++i) {
    const EnemySlot& e = g.EnemyTable[i];
    if (e.Active != kTrue) continue;
    line += first ? "[" : ",[";
    first = false;
    line += std::to_string(i) + "," + std::to_string(e.Kind) + "," + std::to_string(e.X) + "," +
            std::to_string(e.Y) + "," + std::to_string(e.Facing) + "," +
            std::to_string(e.AnimFrame) + "]";
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
