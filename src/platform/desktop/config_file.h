// The settings file: which keys do what, the window's scale, fullscreen and
// the music volume and the stage pack. It lives at $XDG_CONFIG_HOME/kolvar/kolvar.conf and is
// written with the defaults, commented, the first time the game starts.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace kolvar {

// The first six are the game keys, in the order of `Key`: the backends press
// `static_cast<Key>(action)` for an action below kKeyCount.
enum class Action { Up, Right, Down, Left, Leave, Confirm, Pause, Fullscreen, Screenshot };
inline constexpr int kActionCount = 9;

static_assert(static_cast<int>(Action::Up) == static_cast<int>(Key::Up) &&
                  static_cast<int>(Action::Right) == static_cast<int>(Key::Right) &&
                  static_cast<int>(Action::Down) == static_cast<int>(Key::Down) &&
                  static_cast<int>(Action::Left) == static_cast<int>(Key::Left) &&
                  static_cast<int>(Action::Leave) == static_cast<int>(Key::Esc) &&
                  static_cast<int>(Action::Confirm) == static_cast<int>(Key::Z),
              "the game keys' actions are the Keys, in their order");
static_assert(static_cast<int>(Action::Pause) == kKeyCount,
              "the window's own actions come after the game keys");
static_assert(static_cast<int>(Action::Screenshot) + 1 == kActionCount,
              "kActionCount counts every action");

// A key as the backend numbers it (SDL's key codes in the window).
using KeyCode = int32_t;

// How the backend names its keys: the code of a name (nothing when no key
// has that name; names are matched without regard to letter case) and the
// name of a code.
struct KeyNames {
  std::function<std::optional<KeyCode>(const std::string&)> code_of;
  std::function<std::string(KeyCode)> name_of;
};

// The address scripts/web serves the browser's build at.
inline constexpr std::string_view kDefaultShareSite = "http://localhost:8000/";

struct Settings {
  std::array<std::vector<KeyCode>, kActionCount> keys;
  int scale = 0;  // 0: the largest that fits the display, at most 3
  bool fullscreen = false;
  int music_volume = 100;  // percent
  // The stage pack to play (a name or a folder); empty: the game's own.
  std::string stages;
  int stages_line = 0;    // the file's line that named it
  std::string soundfont;  // empty: the first one found in the usual places
  // The page a stage pack's link is made for: the editor's Share writes
  // SITE#pack=DATA.
  std::string share_site = std::string(kDefaultShareSite);
};

Settings DefaultSettings(const KeyNames& names);
// The file written on the first start: every setting at its default, with
// a comment saying what it does and what it takes.
std::string DefaultSettingsText();

struct SettingsResult {
  Settings settings;
  // One line each, "FILE:LINE: what is wrong; using the default (...)".
  std::vector<std::string> problems;
  // LoadSettings found no file and has written the defaults: the game's
  // first start here (each start until a file can be written is none).
  bool first_start = false;
};

// Reads the settings from a file's text. A line the game cannot use (no
// '=', an unknown name, a bad value, a key name holding control bytes or
// bytes that are not UTF-8, a key already doing something else, a setting
// set on an earlier line) is reported and its setting keeps its default
// (or the earlier line's value); the rest still count. An editor's UTF-8
// byte-order mark is skipped, and text quoted from the file shows control
// bytes as \xNN. The time taken grows in step with the text's length.
SettingsResult ParseSettings(const std::string& text, const std::string& file_name,
                             const KeyNames& names);

// The defaults take under 2 KB; a file far larger is no settings file (or a
// link to a device that never ends) and is not read.
inline constexpr size_t kMostSettingsBytes = 64 * 1024;

// Reads the file at `path`, first writing DefaultSettingsText() there when
// there is no file (through a symbolic link to its target; `first_start`
// says it was written). A file that
// cannot be read or written is reported with the reason, and the defaults
// are used; only a regular file of at most 64 KiB is read, so a FIFO, a
// device or a directory is refused at once.
SettingsResult LoadSettings(const std::string& path, const KeyNames& names);

// The settings the file at `path` holds, read as LoadSettings reads it but
// writing nothing and reporting nothing (the defaults when it cannot be
// read): for what is needed before the window opens and loads the file,
// reporting its problems once.
Settings PeekSettings(const std::string& path, const KeyNames& names);

// The action a key does, if any.
std::optional<Action> ActionOfKey(const Settings& settings, KeyCode key);

}  // namespace kolvar
