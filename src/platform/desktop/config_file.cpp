#include "platform/desktop/config_file.h"

#include <cctype>
#include <sstream>
#include <unordered_map>

#include "platform/desktop/user_files.h"
#include "platform/printable.h"
#include "platform/regular_file.h"

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
constexpr const char* kStagesComment =
    "# The stages to play: a stage pack's name (a folder in\n"
    "# $XDG_DATA_HOME/kolvar/stages/ or the installed stages/) or its folder.\n"
    "# Left out, the game's own sixteen; --stages on the command line wins.\n";
constexpr const char* kSoundfontComment =
    "# The SoundFont (.sf2) the music plays with. Left out, the first General\n"
    "# MIDI soundfont found in soundfonts/, sounds/sf2/ or sounds/sf3/ under\n"
    "# ~/.local/share or /usr/share; --soundfont on the command line wins.\n";

constexpr int kMostScale = 8;  // as for --scale

// The defaults take under 2 KB; a file far larger is no settings file (or a link
// to a device that never ends).
constexpr size_t kMostSettingsBytes = 64 * 1024;

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
    // A control byte would end the name early where the backend reads it as
    // C text (W\0S read as W), and bytes that are not UTF-8 make up key
    // codes no keyboard has.
    const bool plain_text = !name.empty() && IsPlainText(name);
    const std::optional<KeyCode> key =
        plain_text ? names.code_of(Lower(name) == "comma" ? "," : name) : std::nullopt;
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
  text += std::string("\n") + kStagesComment + "# stages = deep-halls\n";
  text += std::string("\n") + kSoundfontComment +
          "# soundfont = /usr/share/sounds/sf2/FluidR3_GM.sf2\n";
  return text;
}

SettingsResult ParseSettings(const std::string& text, const std::string& file_name,
                             const KeyNames& names) {
  const Settings defaults = DefaultSettings(names);
  SettingsResult result{defaults, {}};
  Settings& s = result.settings;
  const std::string file = PrintableUtf8(file_name);
  // The line that set each action's keys (0: the default holds).
  std::array<int, kActionCount> key_line{};
  // The first line naming each setting: the key actions, then scale,
  // fullscreen, music_volume, stages and soundfont.
  std::array<int, kActionCount + 5> first_line{};
  constexpr int kScale = kActionCount, kFullscreen = kActionCount + 1, kVolume = kActionCount + 2,
                kStages = kActionCount + 3, kSoundfont = kActionCount + 4;

  // An editor's UTF-8 byte-order mark is no part of the first line.
  size_t start = text.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;
  for (int number = 1; start < text.size(); ++number) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string raw = text.substr(start, end - start);
    start = end + 1;
    if (const size_t hash = raw.find('#'); hash != std::string::npos) raw.erase(hash);
    const std::string line = Trim(raw);
    if (line.empty()) continue;
    const std::string at = file + ":" + std::to_string(number) + ": ";
    const auto report = [&](const std::string& fault, const std::string& fallback) {
      result.problems.push_back(at + fault + "; using the default (" + fallback + ")");
    };
    const size_t equals = line.find('=');
    if (equals == std::string::npos) {
      result.problems.push_back(at + "expected \"name = value\", found '" + PrintableUtf8(line) +
                                "'; line ignored");
      continue;
    }
    const std::string name = Lower(Trim(line.substr(0, equals)));
    const std::string value = Trim(line.substr(equals + 1));
    const std::string shown = PrintableUtf8(value);

    int setting = -1;
    if (name == "scale") setting = kScale;
    if (name == "fullscreen") setting = kFullscreen;
    if (name == "music_volume") setting = kVolume;
    if (name == "stages") setting = kStages;
    if (name == "soundfont") setting = kSoundfont;
    for (const KeyEntry& e : kKeyEntries) {
      if (name == e.name) setting = static_cast<int>(e.action);
    }
    if (setting < 0) {
      result.problems.push_back(at + "no setting named '" + PrintableUtf8(name) +
                                "'; line ignored");
      continue;
    }
    if (first_line[setting] != 0) {
      result.problems.push_back(at + name + " is set twice; line " +
                                std::to_string(first_line[setting]) +
                                " counts and this one is ignored");
      continue;
    }
    first_line[setting] = number;

    if (setting == kScale) {
      if (Lower(value) == "auto") {
        s.scale = 0;
      } else if (const std::optional<int> scale = ParseWhole(value, 1, kMostScale)) {
        s.scale = *scale;
      } else {
        report("scale must be auto or a whole number from 1 to 8, not '" + shown + "'", "auto");
      }
    } else if (setting == kFullscreen) {
      if (const std::optional<bool> on = ParseYesNo(value)) {
        s.fullscreen = *on;
      } else {
        report("fullscreen must be yes or no, not '" + shown + "'", "no");
      }
    } else if (setting == kVolume) {
      if (const std::optional<int> volume = ParseWhole(value, 0, 100)) {
        s.music_volume = *volume;
      } else {
        report("music_volume must be a whole number from 0 to 100, not '" + shown + "'", "100");
      }
    } else if (setting == kStages) {
      if (value.empty()) {
        report("stages names no pack", "the game's own stages");
      } else {
        s.stages = value;
      }
    } else if (setting == kSoundfont) {
      if (value.empty()) {
        report("soundfont names no file", "the first found");
      } else {
        s.soundfont = value;
      }
    } else {
      const KeyEntry& entry = kKeyEntries[setting];
      std::string bad;
      if (const std::optional<std::vector<KeyCode>> keys = ParseKeys(value, names, bad)) {
        s.keys[setting] = *keys;
        key_line[setting] = number;
      } else if (value.empty()) {
        report(name + " names no key", entry.defaults);
      } else if (!IsValidUtf8(bad)) {
        report(name + ": the key name '" + PrintableUtf8(bad) + "' is not valid UTF-8",
               entry.defaults);
      } else {
        report(name + ": no key is named '" + PrintableUtf8(bad) + "'", entry.defaults);
      }
    }
  }

  // A key doing two things: the line that gave it the second job falls back
  // to its default (the later line when both were set here). Defaults never
  // share a key, and each round sends one line back to its default, so this
  // ends after at most one round per action. A round looks each key up in a
  // table of the actions holding it: the time grows with the number of keys,
  // not with its square.
  for (bool clash = true; clash;) {
    clash = false;
    std::unordered_map<KeyCode, uint32_t> holders;
    for (int a = 0; a < kActionCount; ++a) {
      for (KeyCode key : s.keys[a]) holders[key] |= 1u << a;
    }
    for (int a = 0; a < kActionCount && !clash; ++a) {
      for (int b = a + 1; b < kActionCount && !clash; ++b) {
        for (KeyCode key : s.keys[a]) {
          if ((holders[key] & (1u << b)) == 0) continue;
          const int undone = key_line[a] > key_line[b] ? a : b;
          const int kept = undone == a ? b : a;
          result.problems.push_back(file + ":" + std::to_string(key_line[undone]) + ": " +
                                    kKeyEntries[undone].name + ": " +
                                    PrintableUtf8(NameKeys({key}, names)) +
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
  // A write of the defaults killed part-way leaves a temporary; one a minute
  // old is no other game's write in progress.
  const std::string defaults_text = DefaultSettingsText();
  RemoveStaleTemporaries(path, 60, [&](const std::string& bytes) {
    return defaults_text.compare(0, bytes.size(), bytes) == 0;
  });
  const RegularFile file = ReadRegularFile(path, kMostSettingsBytes);
  const std::string shown = PrintableUtf8(path);
  const auto defaults = [&](const std::string& fault) {
    return SettingsResult{DefaultSettings(names),
                          {shown + ": " + fault + "; playing with the default settings"}};
  };
  switch (file.status) {
    case RegularFile::Status::kRead:
      return ParseSettings(file.bytes, path, names);
    case RegularFile::Status::kMissing: {
      SettingsResult result{DefaultSettings(names), {}};
      const std::string error = WriteFileAtomically(path, defaults_text);
      if (!error.empty()) result.problems.push_back(error + "; playing with the default settings");
      return result;
    }
    case RegularFile::Status::kNotRegular:
      return defaults("is " + file.reason + ", so it holds no settings");
    case RegularFile::Status::kTooLarge:
      return defaults("cannot read the settings: the file is " + file.reason +
                      ", far more than settings take");
    default:
      return defaults("cannot read the settings (" + file.reason + ")");
  }
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
