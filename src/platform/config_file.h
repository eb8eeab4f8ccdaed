// The settings file: which keys do what, the window's scale, fullscreen and
// the music volume. It lives at $XDG_CONFIG_HOME/kolvar/kolvar.conf and is
// written with the defaults, commented, the first time the game starts.
#pragma once

#include <SDL.h>

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace kolvar {

// The first six are the game keys, in the order of `Key`.
enum class Action { Up, Right, Down, Left, Leave, Confirm, Pause, Fullscreen, Screenshot };
inline constexpr int kActionCount = 9;

struct Settings {
  std::array<std::vector<SDL_Keycode>, kActionCount> keys;
  int scale = 0;  // 0: the largest that fits the display, at most 3
  bool fullscreen = false;
  int music_volume = 100;  // percent
};

Settings DefaultSettings();
// The file written on the first start: every setting at its default, with
// a comment saying what it does and what it takes.
std::string DefaultSettingsText();

struct SettingsResult {
  Settings settings;
  // One line each, "FILE:LINE: what is wrong; using the default (...)".
  std::vector<std::string> problems;
};

// Reads the settings from a file's text. A line the game cannot use (no
// '=', an unknown name, a bad value, a key already doing something else)
// is reported and its setting keeps its default; the rest still count.
SettingsResult ParseSettings(const std::string& text, const std::string& file_name);

// Reads the file at `path`, first writing DefaultSettingsText() there when
// there is no file. A file that cannot be read or written is reported and
// the defaults are used.
SettingsResult LoadSettings(const std::string& path);

// The action a key does, if any.
std::optional<Action> ActionOfKey(const Settings& settings, SDL_Keycode key);

}  // namespace kolvar
