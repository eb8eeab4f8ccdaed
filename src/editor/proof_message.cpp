#include "editor/proof_message.h"

#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <limits>
#include <stdexcept>
#include <vector>

namespace kolvar {
namespace {

constexpr size_t kGridBytes = kMapCells * kMapCells;

// The text's lines, read one at a time, each refusal naming its line.
class Lines {
 public:
  explicit Lines(const std::string& text) {
    size_t start = 0;
    while (start < text.size()) {
      size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      lines_.push_back(text.substr(start, end - start));
      start = end + 1;
    }
  }

  [[noreturn]] void Fail(const std::string& what) const {
    throw std::runtime_error("line " + std::to_string(next_) + ": " + what);
  }

  // The next line, which must be there.
  const std::string& Next(const char* wanted) {
    if (next_ >= lines_.size()) {
      ++next_;
      Fail(std::string("ends where ") + wanted + " was expected");
    }
    return lines_[next_++];
  }

  // The value of the next line, which must be "NAME VALUE".
  std::string Field(const std::string& name) {
    const std::string& line = Next(("'" + name + "'").c_str());
    if (line.compare(0, name.size() + 1, name + " ") != 0) {
      Fail("'" + line.substr(0, 40) + "' where '" + name + " ...' was expected");
    }
    return line.substr(name.size() + 1);
  }

  int64_t Whole(const std::string& name, int64_t least, int64_t most) {
    const std::string value = Field(name);
    char* end = nullptr;
    errno = 0;
    const long long number = std::strtoll(value.c_str(), &end, 10);
    if (value.empty() || *end != '\0' || errno != 0 || value[0] == ' ' || number < least ||
        number > most) {
      Fail(name + " '" + value + "' is no whole number from " + std::to_string(least) + " to " +
           std::to_string(most));
    }
    return number;
  }

  double Real(const std::string& name, double least, double most) {
    const std::string value = Field(name);
    char* end = nullptr;
    const double number = std::strtod(value.c_str(), &end);
    if (value.empty() || *end != '\0' || value[0] == ' ' || !std::isfinite(number) ||
        number < least || number > most) {
      Fail(name + " '" + value + "' is no number from " + Number(least) + " to " + Number(most));
    }
    return number;
  }

  void End() const {
    if (next_ < lines_.size()) {
      Lines at = *this;
      ++at.next_;
      at.Fail("'" + lines_[next_].substr(0, 40) + "' after the end");
    }
  }

  static std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
  }

 private:
  std::vector<std::string> lines_;
  size_t next_ = 0;
};

std::string Hex(const std::array<uint8_t, kGridBytes>& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(bytes.size() * 2);
  for (const uint8_t byte : bytes) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 15];
  }
  return text;
}

std::array<uint8_t, kGridBytes> Grid(Lines& lines, const std::string& name) {
  const std::string hex = lines.Field(name);
  if (hex.size() != kGridBytes * 2) {
    lines.Fail(name + " has " + std::to_string(hex.size()) + " hex digits; " +
               std::to_string(kGridBytes * 2) + " expected");
  }
  const auto digit = [&](char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    lines.Fail(name + " holds '" + std::string(1, c) + "', no hex digit");
  };
  std::array<uint8_t, kGridBytes> grid{};
  for (size_t i = 0; i < kGridBytes; ++i) {
    grid[i] = static_cast<uint8_t>(digit(hex[2 * i]) * 16 + digit(hex[2 * i + 1]));
  }
  return grid;
}

std::string KeysText(const std::vector<bots::KeyEvent>& keys) {
  return "keys " + std::to_string(keys.size()) + "\n" + bots::ScriptText(keys);
}

// A clear is at most 200 s of play; a script of its keys, a few thousand
// lines.
constexpr int64_t kMostKeys = 1'000'000;

std::vector<bots::KeyEvent> Keys(Lines& lines) {
  const int64_t count = lines.Whole("keys", 0, kMostKeys);
  std::vector<bots::KeyEvent> keys;
  for (int64_t i = 0; i < count; ++i) {
    const std::string& line = lines.Next("a key line");
    char name[8] = {}, state[8] = {};
    unsigned long ms = 0;
    int used = 0;
    bots::KeyEvent key;
    bool named = false;
    if (std::sscanf(line.c_str(), "%10lu %7s %7s%n", &ms, name, state, &used) == 3 &&
        static_cast<size_t>(used) == line.size() && line[0] >= '0' && line[0] <= '9' &&
        ms <= std::numeric_limits<uint32_t>::max()) {
      for (int k = 0; k < kKeyCount; ++k) {
        if (std::string(name) == bots::KeyName(static_cast<Key>(k))) {
          key.key = static_cast<Key>(k);
          named = true;
        }
      }
    }
    const std::string down = state;
    if (!named || (down != "down" && down != "up")) {
      lines.Fail("'" + line.substr(0, 40) + "' is no key line (MS KEY down|up)");
    }
    key.ms = static_cast<uint32_t>(ms);
    key.down = down == "down";
    keys.push_back(key);
  }
  return keys;
}

const char* VerdictName(bots::ProofVerdict verdict) {
  switch (verdict) {
    case bots::ProofVerdict::kCleared:
      return "cleared";
    case bots::ProofVerdict::kNoWayFound:
      return "no-way-found";
    case bots::ProofVerdict::kCancelled:
      return "cancelled";
    case bots::ProofVerdict::kReplayFailed:
      return "replay-failed";
  }
  return "no-way-found";
}

constexpr bots::ProofVerdict kVerdicts[] = {
    bots::ProofVerdict::kCleared, bots::ProofVerdict::kNoWayFound, bots::ProofVerdict::kCancelled,
    bots::ProofVerdict::kReplayFailed};

// The most a job may ask: an hour of search, ten thousand runs.
constexpr double kMostBudgetSeconds = 3600;
constexpr int64_t kMostRuns = 10'000;

}  // namespace

std::string JobText(const ProofJob& job) {
  return std::string("job ") + (job.work == ProofWork::kProve ? "prove" : "rate") + "\n" +
         "budget " + Lines::Number(job.budget_seconds) + "\n" + "runs " + std::to_string(job.runs) +
         "\n" + "map " + Hex(job.stage.map) + "\n" + "spawns " + Hex(job.stage.spawns) + "\n";
}

ProofJob ParseJobText(const std::string& text) {
  Lines lines(text);
  ProofJob job;
  const std::string work = lines.Field("job");
  if (work != "prove" && work != "rate") lines.Fail("job '" + work + "' is neither prove nor rate");
  job.work = work == "prove" ? ProofWork::kProve : ProofWork::kRate;
  job.budget_seconds = lines.Real("budget", 0, kMostBudgetSeconds);
  if (job.budget_seconds <= 0) lines.Fail("budget 0: a proof needs some time");
  job.runs = static_cast<int>(lines.Whole("runs", 1, kMostRuns));
  job.stage.map = Grid(lines, "map");
  job.stage.spawns = Grid(lines, "spawns");
  lines.End();
  return job;
}

std::string ProgressText(double progress) {
  return "progress " + Lines::Number(progress) + "\n";
}

std::string ProofText(const bots::StageProof& proof) {
  return std::string("proof ") + VerdictName(proof.verdict) + "\n" + "clear_ms " +
         std::to_string(proof.clear_ms) + "\n" + "frames " + std::to_string(proof.frames_searched) +
         "\n" + "seconds " + Lines::Number(proof.seconds) + "\n" + KeysText(proof.keys);
}

std::string RatingText(const bots::StageRating& rating) {
  return std::string("rating\n") + "runs " + std::to_string(rating.runs) + "\n" + "cleared " +
         std::to_string(rating.cleared) + "\n" + "cancelled " + (rating.cancelled ? "1" : "0") +
         "\n" + "low " + Lines::Number(rating.low) + "\n" + "high " + Lines::Number(rating.high) +
         "\n" + KeysText(rating.keys);
}

std::string FaultText(const std::string& fault) {
  std::string line = fault;
  for (char& c : line) {
    if (c == '\n') c = ' ';
  }
  return "fault " + line + "\n";
}

ProofNews ParseNewsText(const std::string& text) {
  const std::string first = text.substr(0, text.find('\n'));
  const std::string kind = first.substr(0, first.find(' '));
  Lines lines(text);
  ProofNews news;
  if (kind == "progress") {
    news.progress = lines.Real("progress", 0, 1);
  } else if (kind == "fault") {
    news.fault = lines.Field("fault");
    if (news.fault->empty()) lines.Fail("a fault that says nothing");
  } else if (kind == "proof") {
    bots::StageProof proof;
    const std::string verdict = lines.Field("proof");
    bool known = false;
    for (const bots::ProofVerdict v : kVerdicts) {
      if (verdict == VerdictName(v)) {
        proof.verdict = v;
        known = true;
      }
    }
    if (!known) lines.Fail("'" + verdict.substr(0, 40) + "' is no proof's verdict");
    proof.clear_ms =
        static_cast<uint32_t>(lines.Whole("clear_ms", 0, std::numeric_limits<uint32_t>::max()));
    proof.frames_searched = lines.Whole("frames", 0, std::numeric_limits<int64_t>::max());
    proof.seconds = lines.Real("seconds", 0, std::numeric_limits<double>::max());
    proof.keys = Keys(lines);
    if (proof.verdict == bots::ProofVerdict::kCleared && proof.keys.empty()) {
      lines.Fail("a clear without keys");
    }
    news.proof = std::move(proof);
  } else if (first == "rating") {
    lines.Next("'rating'");
    bots::StageRating rating;
    rating.runs = static_cast<int>(lines.Whole("runs", 0, kMostRuns));
    rating.cleared = static_cast<int>(lines.Whole("cleared", 0, rating.runs));
    rating.cancelled = lines.Whole("cancelled", 0, 1) == 1;
    rating.low = lines.Real("low", 0, 1);
    rating.high = lines.Real("high", rating.low, 1);
    rating.keys = Keys(lines);
    news.rating = std::move(rating);
  } else {
    lines.Next("the news");
    lines.Fail("'" + first.substr(0, 40) + "' is no progress, proof, rating or fault");
  }
  lines.End();
  return news;
}

}  // namespace kolvar
