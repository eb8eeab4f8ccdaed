#include "platform/desktop/config_file.h"

#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/desktop/user_files.h"

namespace kolvar {

namespace {

struct KeyEntry {
  const char* name;
  Action action;
  const char* defaults;
  const char* comment;
};

constexpr KeyEntry kKeyEntries[] = {
    {"key_up", Action::Up, "Up", "Walk up; on the title, move the cursor up."},
    {"key_right", Action::Right, "Right", "Walk right."},
    {"key_down", Action::Down, "Down", "Walk down; on the title, move the cursor down."},
    {"key_left", Action::Left, "Left", "Walk left."},
    {"key_leave", Action::Leave, "Escape", "Leave a game and go back to the title."},
    {"key_confirm", Action::Confirm, "Z",
     "Confirm on the title and go on from the end-of-stage screens."},
    {"key_pause", Action::Pause, "P, Pause", "Pause, and play on."},
    {"key_fullscreen", Action::Fullscreen, "F11",
     "Switch between the window and the whole screen (Alt+Enter does too)."},
    {"key_screenshot", Action::Screenshot, "F12", "Save the picture as PNG."},
};

constexpr const char* kHeader =
    "# Kolvar settings, written with the defaults when the game first started.\n"
    "# Edit them and start the game again. Each line is \"name = value\"; '#'\n"
    "# starts a comment. A line the game cannot use is reported at start and\n"
    "# that setting keeps its default.\n"
    "#\n"
    "# Keys take one key name or several separated by commas, as SDL names\n"
    "# them: letters and digits as they are (Z, X, 5), Up, Down, Left, Right,\n"
    "# Space, Return, Escape, Tab, Backspace, Left Shift, Right Ctrl, Left Alt,\n"
    "# F1 to F12, Pause, Keypad 8, Comma. A key can do one thing only.\n"
    "# A game controller's buttons are fixed: d-pad and left stick walk, A\n"
    "# confirms, Back leaves a game, Start pauses.\n";

constexpr const char* kScaleComment =
    "# Window scale: auto (the largest whole multiple of 320 x 240 that fits\n"
    "# the display, at most 3) or a whole number from 1 to 8.\n";
constexpr const char* kFullscreenComment = "# Start on the whole screen: yes or no.\n";
constexpr const char* kVolumeComment = "# Music volume in percent, 0 to 100.\n";

constexpr int kMostScale = 8;  // as for --scale

std::string Trim(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// Key names separated by commas; nothing when a name is unknown (`bad`
// then holds it) or there is none.
// The comma separates keys, so the comma key is written "Comma".
std::optional<std::vector<KeyCode>> ParseKeys(const std::string& value, const KeyNames& names,
                                              std::string& bad) {
  std::vector<KeyCode> keys;
  std::istringstream list(value);
  for (std::string name; std::getline(list, name, ',');) {
    name = Trim(name);
    const std::optional<KeyCode> key =
        name.empty() ? std::nullopt : names.code_of(Lower(name) == "comma" ? "," : name);
    if (!key) {
      bad = name;
      return std::nullopt;
    }
    keys.push_back(*key);
  }
  if (keys.empty()) return std::nullopt;
  return keys;
}

std::optional<int> ParseWhole(const std::string& value, int least, int most) {
  if (value.empty() || value.size() > 3 ||
      value.find_first_not_of("0123456789") != std::string::npos) {
    return std::nullopt;
  }
  const int number = std::stoi(value);
  if (number < least || number > most) return std::nullopt;
  return number;
}

std::optional<bool> ParseYesNo(const std::string& value) {
  const std::string v = Lower(value);
  if (v == "yes" || v == "true" || v == "on") return true;
  if (v == "no" || v == "false" || v == "off") return false;
  return std::nullopt;
}

std::string NameKeys(const std::vector<KeyCode>& keys, const KeyNames& names) {
  std::string text;
  for (KeyCode key : keys) {
    if (!text.empty()) text += ", ";
    const std::string name = names.name_of(key);
    text += name == "," ? "Comma" : name;
  }
  return text;
}

}  // namespace

Settings DefaultSettings(const KeyNames& names) {
  Settings settings;
  for (const KeyEntry& entry : kKeyEntries) {
    std::string unknown;
    if (auto keys = ParseKeys(entry.defaults, names, unknown)) {
      settings.keys[static_cast<int>(entry.action)] = *keys;
    }
  }
  return settings;
}

std::string DefaultSettingsText() {
  std::string text = kHeader;
  for (const KeyEntry& entry : kKeyEntries) {
    text += std::string("\n# ") + entry.comment + "\n" + entry.name + " = " + entry.defaults + "\n";
  }
  text += std::string("\n") + kScaleComment + "scale = auto\n";
  text += std::string("\n") + kFullscreenComment + "fullscreen = no\n";
  text += std::string("\n") + kVolumeComment + "music_volume = 100\n";
  return text;
}

SettingsResult ParseSettings(const std::string& text, const std::string& file_name,
                             const KeyNames& names) {
  const Settings defaults = DefaultSettings(names);
  SettingsResult result{defaults, {}};
  Settings& s = result.settings;
  // The line that set each action's keys (0: the default holds).
  std::array<int, kActionCount> key_line{};
  std::vector<std::string> seen;

  std::istringstream in(text);
  std::string raw;
  for (int number = 1; std::getline(in, raw); ++number) {
    if (const size_t hash = raw.find('#'); hash != std::string::npos) raw.erase(hash);
    const std::string line = Trim(raw);
    if (line.empty()) continue;
    const auto report = [&](const std::string& fault, const std::string& fallback) {
      result.problems.push_back(file_name + ":" + std::to_string(number) + ": " + fault +
                                "; using the default (" + fallback + ")");
    };
    const size_t equals = line.find('=');
    if (equals == std::string::npos) {
      result.problems.push_back(file_name + ":" + std::to_string(number) +
                                ": expected \"name = value\", found '" + line + "'; line ignored");
      continue;
    }
    const std::string name = Lower(Trim(line.substr(0, equals)));
    const std::string value = Trim(line.substr(equals + 1));
    bool repeated = false;
    for (const std::string& earlier : seen) repeated = repeated || earlier == name;
    seen.push_back(name);

    if (name == "scale") {
      if (repeated) {
        report("scale is set twice", "the first");
        continue;
      }
      if (Lower(value) == "auto") {
        s.scale = 0;
      } else if (const std::optional<int> scale = ParseWhole(value, 1, kMostScale)) {
        s.scale = *scale;
      } else {
        report("scale must be auto or a whole number from 1 to 8, not '" + value + "'", "auto");
      }
      continue;
    }
    if (name == "fullscreen") {
      if (repeated) {
        report("fullscreen is set twice", "the first");
        continue;
      }
      if (const std::optional<bool> on = ParseYesNo(value)) {
        s.fullscreen = *on;
      } else {
        report("fullscreen must be yes or no, not '" + value + "'", "no");
      }
      continue;
    }
    if (name == "music_volume") {
      if (repeated) {
        report("music_volume is set twice", "the first");
        continue;
      }
      if (const std::optional<int> volume = ParseWhole(value, 0, 100)) {
        s.music_volume = *volume;
      } else {
        report("music_volume must be a whole number from 0 to 100, not '" + value + "'", "100");
      }
      continue;
    }
    const KeyEntry* entry = nullptr;
    for (const KeyEntry& e : kKeyEntries) {
      if (name == e.name) entry = &e;
    }
    if (!entry) {
      result.problems.push_back(file_name + ":" + std::to_string(number) + ": no setting named '" +
                                name + "'; line ignored");
      continue;
    }
    const int a = static_cast<int>(entry->action);
    if (repeated) {
      report(name + " is set twice", "the first");
      continue;
    }
    std::string bad;
    if (const std::optional<std::vector<KeyCode>> keys = ParseKeys(value, names, bad)) {
      s.keys[a] = *keys;
      key_line[a] = number;
    } else if (value.empty()) {
      report(name + " names no key", entry->defaults);
    } else {
      report(name + ": no key is named '" + bad + "'", entry->defaults);
    }
  }

  // A key doing two things: the line that gave it the second job falls back
  // to its default (the later line when both were set here). Defaults never
  // share a key, so this ends once every clashing line is back at its
  // default.
  for (bool clash = true; clash;) {
    clash = false;
    for (int a = 0; a < kActionCount && !clash; ++a) {
      for (int b = a + 1; b < kActionCount && !clash; ++b) {
        for (KeyCode key : s.keys[a]) {
          bool shared = false;
          for (KeyCode other : s.keys[b]) shared = shared || other == key;
          if (!shared) continue;
          const int undone = key_line[a] > key_line[b] ? a : b;
          const int kept = undone == a ? b : a;
          result.problems.push_back(file_name + ":" + std::to_string(key_line[undone]) + ": " +
                                    kKeyEntries[undone].name + ": " + NameKeys({key}, names) +
                                    " is already the key of " + kKeyEntries[kept].name +
                                    "; using the default (" + kKeyEntries[undone].defaults + ")");
          s.keys[undone] = defaults.keys[undone];
          key_line[undone] = 0;
          clash = true;
          break;
        }
      }
    }
  }
  return result;
}

SettingsResult LoadSettings(const std::string& path, const KeyNames& names) {
  std::error_code missing;
  if (!std::filesystem::exists(path, missing) && !missing) {
    SettingsResult result{DefaultSettings(names), {}};
    const std::string error = WriteFileAtomically(path, DefaultSettingsText());
    if (!error.empty()) result.problems.push_back(error + "; playing with the default settings");
    return result;
  }
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  if (!in || in.bad()) {
    return {DefaultSettings(names),
            {path + ": cannot read the settings; playing with the defaults"}};
  }
  return ParseSettings(text.str(), path, names);
}

std::optional<Action> ActionOfKey(const Settings& settings, KeyCode key) {
  for (int a = 0; a < kActionCount; ++a) {
    for (KeyCode bound : settings.keys[a]) {
      if (bound == key) return static_cast<Action>(a);
    }
  }
  return std::nullopt;
}

}  // namespace kolvar
