#include "platform/headless/headless_platform.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <utility>

#include "platform/desktop/continue_store.h"
#include "platform/desktop/hiscore_store.h"
#include "platform/desktop/png_writer.h"
#include "platform/headless/headless_music.h"
#include "platform/printable.h"
#include "platform/regular_file.h"

namespace kolvar {

namespace {

std::optional<Key> KeyNamed(const std::string& name) {
  static const std::pair<const char*, Key> kNames[] = {
      {"up", Key::Up},       {"down", Key::Down}, {"left", Key::Left},
      {"right", Key::Right}, {"esc", Key::Esc},   {"z", Key::Z},
  };
  for (const auto& [text, key] : kNames) {
    if (name == text) return key;
  }
  return std::nullopt;
}

// A named key of a "press" line, as the platform types it: "return" is
// "Return", "ctrl+z" is "Ctrl+z".
std::optional<TypedKey> NamedTypedKey(const std::string& word) {
  static const char* const kNames[] = {"Return", "Backspace", "Delete", "Tab",
                                       "Home",   "End",       "PageUp", "PageDown"};
  std::string lower;
  for (const char c : word) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const char* name : kNames) {
    std::string named = name;
    for (char& c : named) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower == named) return name;
  }
  if (lower.size() >= 2 && lower.size() <= 3 && lower[0] == 'f') {
    const std::string digits = lower.substr(1);
    if (std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
      const int n = std::stoi(digits);
      if (n >= 1 && n <= 12) return "F" + digits;
    }
  }
  if (lower.size() == 6 && lower.rfind("ctrl+", 0) == 0 && lower[5] >= 'a' && lower[5] <= 'z') {
    return "Ctrl+" + lower.substr(5);
  }
  return std::nullopt;
}

// A pixel coordinate of a pointer line: a whole number below `limit`.
std::optional<int> ParsePixel(const std::string& word, int limit) {
  if (word.empty() || word.size() > 4 ||
      !std::all_of(word.begin(), word.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return std::nullopt;
  }
  const int value = std::stoi(word);
  if (value >= limit) return std::nullopt;
  return value;
}

std::optional<uint32_t> ParseMs(const std::string& word) {
  if (word.empty() || word.size() > 9 ||
      !std::all_of(word.begin(), word.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return std::nullopt;
  }
  return static_cast<uint32_t>(std::stoul(word));
}

}  // namespace

std::vector<ScriptLine> ReadInputScript(const std::string& path) {
  const RegularFile file = ReadRegularFile(path, kMaxInputScriptBytes);
  if (!file.ok()) {
    // A directory is named as the system names it, as it always was.
    throw std::invalid_argument(path + ": cannot read the input script: " +
                                (S_ISDIR(file.mode) ? std::strerror(EISDIR) : file.reason));
  }
  return ParseInputScript(file.bytes, path);
}

std::vector<ScriptLine> ParseInputScript(const std::string& text, const std::string& name) {
  std::vector<ScriptLine> lines;
  std::istringstream in(text);
  std::string raw;
  for (int number = 1; std::getline(in, raw); ++number) {
    auto fail = [&](const std::string& fault) {
      return std::invalid_argument(name + ":" + std::to_string(number) + ": " + fault);
    };
    // "MS type TEXT" types the rest of the line, a '#' too: it has no
    // comment.
    {
      std::istringstream head(raw);
      std::string first, second;
      head >> first >> second;
      if (second == "type") {
        const std::optional<uint32_t> ms = ParseMs(first);
        if (!ms)
          throw fail("expected a time in milliseconds, found '" + PrintableAscii(first) + "'");
        const size_t at = raw.find("type") + 4;
        const std::string typed = at < raw.size() ? raw.substr(at + 1) : std::string();
        ScriptLine line;
        line.ms = *ms;
        line.action = ScriptLine::Action::kType;
        for (const char c : typed) {
          if (c < ' ' || c > '~') {
            throw fail("a type line types printable ASCII only, found '" +
                       PrintableAscii(std::string(1, c)) + "'");
          }
          line.typed.emplace_back(1, c);
        }
        lines.push_back(line);
        continue;
      }
    }
    if (const size_t hash = raw.find('#'); hash != std::string::npos) raw.erase(hash);
    std::istringstream words(raw);
    std::vector<std::string> w;
    for (std::string word; words >> word;) w.push_back(word);
    if (w.empty()) continue;
    const std::optional<uint32_t> ms = ParseMs(w[0]);
    if (!ms) throw fail("expected a time in milliseconds, found '" + PrintableAscii(w[0]) + "'");
    ScriptLine line;
    line.ms = *ms;
    if (w.size() >= 4 && w.size() <= 5 && (w[1] == "pointer" || w[1] == "touch")) {
      const std::optional<int> x = ParsePixel(w[2], kPictureWidth);
      const std::optional<int> y = ParsePixel(w[3], kPictureHeight);
      if (!x || !y) {
        throw fail("expected a pixel of the picture (X below " + std::to_string(kPictureWidth) +
                   ", Y below " + std::to_string(kPictureHeight) + "), found '" +
                   PrintableAscii(w[2]) + " " + PrintableAscii(w[3]) + "'");
      }
      line.action = ScriptLine::Action::kPointer;
      line.x = *x;
      line.y = *y;
      line.touch = w[1] == "touch";
      if (w.size() == 5) {
        if (w[4] == "down") {
          line.button = 1;
        } else if (w[4] == "up") {
          line.button = -1;
        } else {
          throw fail("expected 'down' or 'up', found '" + PrintableAscii(w[4]) + "'");
        }
      }
    } else if (w.size() == 3 && w[1] == "press") {
      const std::optional<TypedKey> key = NamedTypedKey(w[2]);
      if (!key) {
        throw fail("unknown key '" + PrintableAscii(w[2]) +
                   "' (use return, backspace, delete, tab, home, end, pageup, pagedown, f1 to "
                   "f12 or ctrl+LETTER)");
      }
      line.action = ScriptLine::Action::kType;
      line.typed.push_back(*key);
    } else if (w.size() == 2 && w[1] == "close") {
      line.action = ScriptLine::Action::kClose;
    } else if (w.size() == 3) {
      const std::optional<Key> key = KeyNamed(w[1]);
      if (!key) {
        throw fail("unknown key '" + PrintableAscii(w[1]) +
                   "' (use up, down, left, right, esc or z)");
      }
      line.key = *key;
      if (w[2] == "down") {
        line.action = ScriptLine::Action::kDown;
      } else if (w[2] == "up") {
        line.action = ScriptLine::Action::kUp;
      } else {
        throw fail("expected 'down' or 'up', found '" + PrintableAscii(w[2]) + "'");
      }
    } else {
      throw fail(
          "expected 'MS KEY down', 'MS KEY up', 'MS close', 'MS pointer X Y [down|up]', "
          "'MS touch X Y [down|up]', 'MS type TEXT' or 'MS press NAME'");
    }
    lines.push_back(line);
  }
  std::stable_sort(lines.begin(), lines.end(),
                   [](const ScriptLine& a, const ScriptLine& b) { return a.ms < b.ms; });
  return lines;
}

HeadlessPlatform::HeadlessPlatform(HeadlessOptions options)
    : options_(std::move(options)),
      shot_written_(options_.shots.size(), false),
      shots_left_(options_.shots.size()),
      music_(CreateHeadlessMusicDevice(options_.music_folder, [this] { return now_; })),
      hiscore_(std::make_unique<HiScoreStore>(options_.hiscore_file)),
      continue_(std::make_unique<ContinueStore>(ContinueFileFor(options_.hiscore_file))) {}

HeadlessPlatform::~HeadlessPlatform() {
  const std::string error = WriteDueShots(true);
  if (!error.empty()) std::fprintf(stderr, "kolvar: %s\n", error.c_str());
}

int32_t HeadlessPlatform::LoadHiScore() {
  return hiscore_->Load();
}

void HeadlessPlatform::SaveHiScore(int32_t value) {
  hiscore_->Save(value);
}

int32_t HeadlessPlatform::LoadContinueStage() {
  return continue_->Load();
}

void HeadlessPlatform::SaveContinueStage(int32_t stage) {
  continue_->Save(stage);
}

void HeadlessPlatform::ApplyScript() {
  while (next_line_ < options_.script.size() && options_.script[next_line_].ms <= now_) {
    const ScriptLine& line = options_.script[next_line_++];
    switch (line.action) {
      case ScriptLine::Action::kDown:
        PressKey(line.key);
        break;
      case ScriptLine::Action::kUp:
        ReleaseKey(line.key);
        break;
      case ScriptLine::Action::kClose:
        close_requested_ = true;
        break;
      case ScriptLine::Action::kPointer:
        if (line.button > 0) {
          pointer_.Press(line.x, line.y, line.touch);
        } else if (line.button < 0) {
          pointer_.Release(line.x, line.y, line.touch);
        } else {
          pointer_.Move(line.x, line.y, line.touch);
        }
        break;
      case ScriptLine::Action::kType:
        // A script is finite: all of a line is kept, however long.
        typed_.insert(typed_.end(), line.typed.begin(), line.typed.end());
        break;
    }
  }
}

void HeadlessPlatform::PressKey(Key key) {
  down_[static_cast<int>(key)] = true;
  pressed_[static_cast<int>(key)] = true;
}

void HeadlessPlatform::ReleaseKey(Key key) {
  down_[static_cast<int>(key)] = false;
}

uint16_t HeadlessPlatform::PollKey(Key key) {
  ApplyScript();
  const int k = static_cast<int>(key);
  const uint16_t state = static_cast<uint16_t>((down_[k] ? 0x8000 : 0) | (pressed_[k] ? 1 : 0));
  pressed_[k] = false;
  return state;
}

PointerState HeadlessPlatform::PollPointer() {
  ApplyScript();
  return pointer_.Poll();
}

std::vector<TypedKey> HeadlessPlatform::TakeTypedKeys() {
  ApplyScript();
  return std::exchange(typed_, {});
}

bool HeadlessPlatform::PumpEvents() {
  if (options_.clock) {
    now_ = options_.clock();
  } else {
    ++now_;
  }
  ApplyScript();
  if (options_.quit_at && now_ >= *options_.quit_at) close_requested_ = true;
  const std::string error = WriteDueShots(false);
  if (!error.empty()) throw std::runtime_error(error);
  return close_requested_;
}

void HeadlessPlatform::Show(PixelView picture) {
  ++shows_;
  if (!options_.keep_shown && shots_left_ == 0) return;
  shown_.assign(picture.pixels,
                picture.pixels + static_cast<size_t>(picture.width) * picture.height);
  shown_width_ = picture.width;
  shown_height_ = picture.height;
}

std::string HeadlessPlatform::WriteDueShots(bool all) {
  std::string first_error;
  for (size_t i = 0; i < options_.shots.size(); ++i) {
    // A shot at MS shows the picture last shown at or before MS, so it is
    // taken once the clock has moved past MS.
    if (shot_written_[i] || (!all && options_.shots[i].ms >= now_)) continue;
    shot_written_[i] = true;
    --shots_left_;
    const std::string error =
        WritePng(options_.shots[i].path, {shown_.data(), shown_width_, shown_height_});
    if (!error.empty() && first_error.empty()) first_error = error;
  }
  return first_error;
}

}  // namespace kolvar
