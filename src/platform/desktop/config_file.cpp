#include "platform/desktop/config_file.h"

#include <algorithm>
#include <cctype>
#include <unordered_map>
#include <utility>

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
  // Of the defaults, the keys that give way to a line of the file giving
  // them another job (keys added to the defaults later, which a file
  // written before may already use for something else).
  const char* spare = "";
};

constexpr KeyEntry kKeyEntries[] = {
    {"key_up", Action::Up, "Up", "Walk up; on the title, move the cursor up."},
    {"key_right", Action::Right, "Right", "Walk right."},
    {"key_down", Action::Down, "Down", "Walk down; on the title, move the cursor down."},
    {"key_left", Action::Left, "Left", "Walk left."},
    {"key_leave", Action::Leave, "Escape", "Leave a game and go back to the title."},
    {"key_confirm", Action::Confirm, "Z, Return, Space",
     "Confirm on the title and the end-of-stage screens; prompts name the first.", "Return, Space"},
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

constexpr const char* kShareSiteComment =
    "# The page the stage editor's links open (its Share, k): the address\n"
    "# the browser's build is served at, http:// or https://.\n";

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
  // Split by hand, as std::getline would split it (a trailing comma adds
  // no empty name): a string stream would bring the C++ streams and locales
  // into the browser's program, a fifth of its code.
  for (size_t at = 0; at < value.size();) {
    const size_t comma = std::min(value.find(',', at), value.size());
    std::string name = Trim(value.substr(at, comma - at));
    at = comma + 1;
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
  // Each default key on its own: a backend without one of the names (a
  // keyboard table with no Return) still gives the action the others.
  for (const KeyEntry& entry : kKeyEntries) {
    std::vector<KeyCode>& keys = settings.keys[static_cast<int>(entry.action)];
    const std::string defaults = entry.defaults;
    for (size_t at = 0; at < defaults.size();) {
      const size_t comma = std::min(defaults.find(',', at), defaults.size());
      std::string unknown;
      if (auto key = ParseKeys(defaults.substr(at, comma - at), names, unknown)) {
        keys.insert(keys.end(), key->begin(), key->end());
      }
      at = comma + 1;
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
  text += std::string("\n") + kShareSiteComment +
          "# share_site = " + std::string(kDefaultShareSite) + "\n";
  return text;
}

namespace {

// The settings besides the keys, numbered after the actions.
enum : int {
  kScale = kActionCount,
  kFullscreen,
  kVolume,
  kStages,
  kSoundfont,
  kShareSite,
  kSettingCount
};

// The setting a name sets: an action's number or one of the above; -1 for
// no setting.
int SettingNamed(const std::string& name) {
  static const std::pair<const char*, int> kOthers[] = {
      {"scale", kScale},   {"fullscreen", kFullscreen}, {"music_volume", kVolume},
      {"stages", kStages}, {"soundfont", kSoundfont},   {"share_site", kShareSite}};
  for (const auto& [other, setting] : kOthers) {
    if (name == other) return setting;
  }
  for (const KeyEntry& e : kKeyEntries) {
    if (name == e.name) return static_cast<int>(e.action);
  }
  return -1;
}

// What is wrong with a setting's value, and the default used instead.
struct ValueFault {
  std::string fault;
  std::string fallback;
};

// Puts `value` into `setting` of `s`; the fault when it cannot be used.
std::optional<ValueFault> SetValue(int setting, const std::string& name, const std::string& value,
                                   const KeyNames& names, Settings& s) {
  const std::string shown = PrintableUtf8(value);
  switch (setting) {
    case kScale:
      if (Lower(value) == "auto") {
        s.scale = 0;
      } else if (const std::optional<int> scale = ParseWhole(value, 1, kMostScale)) {
        s.scale = *scale;
      } else {
        return ValueFault{"scale must be auto or a whole number from 1 to 8, not '" + shown + "'",
                          "auto"};
      }
      return std::nullopt;
    case kFullscreen:
      if (const std::optional<bool> on = ParseYesNo(value)) {
        s.fullscreen = *on;
        return std::nullopt;
      }
      return ValueFault{"fullscreen must be yes or no, not '" + shown + "'", "no"};
    case kVolume:
      if (const std::optional<int> volume = ParseWhole(value, 0, 100)) {
        s.music_volume = *volume;
        return std::nullopt;
      }
      return ValueFault{"music_volume must be a whole number from 0 to 100, not '" + shown + "'",
                        "100"};
    case kStages:
      if (value.empty()) return ValueFault{"stages names no pack", "the game's own stages"};
      s.stages = value;
      return std::nullopt;
    case kSoundfont:
      if (value.empty()) return ValueFault{"soundfont names no file", "the first found"};
      s.soundfont = value;
      return std::nullopt;
    case kShareSite:
      if (!(value.starts_with("http://") || value.starts_with("https://")) ||
          std::any_of(value.begin(), value.end(),
                      [](char c) { return static_cast<unsigned char>(c) <= ' ' || c == 0x7F; })) {
        return ValueFault{"share_site must be an http:// or https:// address, not '" + shown + "'",
                          std::string(kDefaultShareSite)};
      }
      s.share_site = value;
      return std::nullopt;
    default:
      break;
  }
  const KeyEntry& entry = kKeyEntries[setting];
  std::string bad;
  if (const std::optional<std::vector<KeyCode>> keys = ParseKeys(value, names, bad)) {
    s.keys[setting] = *keys;
    return std::nullopt;
  }
  if (value.empty()) return ValueFault{name + " names no key", entry.defaults};
  if (!IsValidUtf8(bad)) {
    return ValueFault{name + ": the key name '" + PrintableUtf8(bad) + "' is not valid UTF-8",
                      entry.defaults};
  }
  return ValueFault{name + ": no key is named '" + PrintableUtf8(bad) + "'", entry.defaults};
}

// Calls `use(number, line)` for each line of `text` that holds more than a
// comment, with the comment and the spaces around it taken off. An editor's
// UTF-8 byte-order mark is no part of the first line.
template <typename Use>
void ForEachSettingLine(const std::string& text, Use use) {
  size_t start = text.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;
  for (int number = 1; start < text.size(); ++number) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string raw = text.substr(start, end - start);
    start = end + 1;
    if (const size_t hash = raw.find('#'); hash != std::string::npos) raw.erase(hash);
    const std::string line = Trim(raw);
    if (!line.empty()) use(number, line);
  }
}

// What the lines read so far have set: the line that set each action's keys
// (0: the default holds) and the first line naming each setting.
struct LinesSeen {
  std::array<int, kActionCount> key_line{};
  std::array<int, kSettingCount> first_line{};
};

// Reads line `number` of the file named `file` into `result`, or reports
// why it is not used.
void ReadSettingLine(int number, const std::string& line, const std::string& file,
                     const KeyNames& names, LinesSeen& seen, SettingsResult& result) {
  const std::string at = file + ":" + std::to_string(number) + ": ";
  const size_t equals = line.find('=');
  if (equals == std::string::npos) {
    result.problems.push_back(at + "expected \"name = value\", found '" + PrintableUtf8(line) +
                              "'; line ignored");
    return;
  }
  const std::string name = Lower(Trim(line.substr(0, equals)));
  const std::string value = Trim(line.substr(equals + 1));
  const int setting = SettingNamed(name);
  if (setting < 0) {
    result.problems.push_back(at + "no setting named '" + PrintableUtf8(name) + "'; line ignored");
    return;
  }
  if (seen.first_line[setting] != 0) {
    result.problems.push_back(at + name + " is set twice; line " +
                              std::to_string(seen.first_line[setting]) +
                              " counts and this one is ignored");
    return;
  }
  seen.first_line[setting] = number;
  if (const std::optional<ValueFault> fault =
          SetValue(setting, name, value, names, result.settings)) {
    result.problems.push_back(at + fault->fault + "; using the default (" + fault->fallback + ")");
  } else if (setting < kActionCount) {
    seen.key_line[setting] = number;
  } else if (setting == kStages) {
    result.settings.stages_line = number;
  }
}

// A spare default key (KeyEntry::spare) that a line gives to another action
// leaves the defaults it was in, quietly: the line asked for nothing wrong.
void YieldSpareKeys(const KeyNames& names, const std::array<int, kActionCount>& key_line,
                    Settings& s) {
  for (const KeyEntry& entry : kKeyEntries) {
    const int a = static_cast<int>(entry.action);
    std::string unknown;
    const std::optional<std::vector<KeyCode>> spare = ParseKeys(entry.spare, names, unknown);
    if (key_line[a] != 0 || !spare) continue;
    std::erase_if(s.keys[a], [&](KeyCode key) {
      if (std::find(spare->begin(), spare->end(), key) == spare->end()) return false;
      for (int b = 0; b < kActionCount; ++b) {
        if (b != a && key_line[b] != 0 &&
            std::find(s.keys[b].begin(), s.keys[b].end(), key) != s.keys[b].end()) {
          return true;
        }
      }
      return false;
    });
  }
}

// A key doing two things: the line that gave it the second job falls back
// to its default (the later line when both were set here). Defaults never
// share a key, and each round sends one line back to its default, so this
// ends after at most one round per action. A round looks each key up in a
// table of the actions holding it: the time grows with the number of keys,
// not with its square.
void UndoKeyClashes(const Settings& defaults, const KeyNames& names, const std::string& file,
                    std::array<int, kActionCount>& key_line, SettingsResult& result) {
  Settings& s = result.settings;
  for (bool clash = true; clash;) {
    clash = false;
    // Defaults put back in the last round may hold spare keys again.
    YieldSpareKeys(names, key_line, s);
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
}

}  // namespace

SettingsResult ParseSettings(const std::string& text, const std::string& file_name,
                             const KeyNames& names) {
  const Settings defaults = DefaultSettings(names);
  SettingsResult result{defaults, {}};
  const std::string file = PrintableUtf8(file_name);
  LinesSeen seen;
  ForEachSettingLine(text, [&](int number, const std::string& line) {
    ReadSettingLine(number, line, file, names, seen, result);
  });
  UndoKeyClashes(defaults, names, file, seen.key_line, result);
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
      if (!error.empty()) {
        result.problems.push_back(error + "; playing with the default settings");
      } else {
        result.first_start = true;
      }
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

Settings PeekSettings(const std::string& path, const KeyNames& names) {
  const RegularFile file = ReadRegularFile(path, kMostSettingsBytes);
  if (!file.ok()) return DefaultSettings(names);
  return ParseSettings(file.bytes, path, names).settings;
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
