// The game in a real window: SDL2 video, keyboard, game controllers and
// audio.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "kolvar_version.h"
#include "platform/platform.h"

namespace kolvar {

inline constexpr const char* kWindowCaption = "Kolvar " KOLVAR_VERSION;

struct WindowOptions {
  // The window's caption; empty: kWindowCaption.
  std::string caption;
  // Where the music device finds the pieces the game opens by name (the
  // MIDI files and their rendered sound, NAME.ogg).
  std::string music_folder = "./MIDI";
  // Whole-number scale of the 320 x 240 picture; 0: as the settings file
  // says. Capped to what fits on the display, with a notice.
  int scale = 0;
  // Start on the whole screen (the settings file can ask for it too).
  bool fullscreen = false;
  // SDL's renderer to draw with, by name ("software", "opengl", ...);
  // empty: SDL_RENDER_DRIVER if set, else the software renderer.
  std::string renderer;
  // The settings file; empty: $XDG_CONFIG_HOME/kolvar/kolvar.conf.
  std::string settings_file;
  // The soundfont the music plays with, live; empty: the settings'
  // `soundfont`, and where that is empty too the music rendered at build
  // time (live with the first soundfont found where a piece is missing).
  std::string soundfont;
  // The kept hi-score; empty: $XDG_DATA_HOME/kolvar/hiscore. The Continue
  // stage is kept beside it (ContinueFileFor).
  std::string hiscore_file;
  // The window's icon, 0xAARRGGBB per pixel (alpha 0 where transparent);
  // an empty view leaves the system's default icon.
  PixelView icon;
  // Draws a line of the pause banner at a pixel size ("PAUSE" at 19, how
  // to play on at 12); the window has no text of its own. Empty: the
  // banner is the dimmed picture without words.
  std::function<TextBitmap(std::string_view text, int pixel_size)> render_text;
  // Called with 1, 2 or 4 when that digit key (bound to nothing else) is
  // pressed: the speeds of a recording being watched.
  std::function<void(int)> speed_key;
  // The name of the recording being watched, shown with its speed and keys
  // on the notice band; empty: a game is played.
  std::string watching;
};

// Opens the resizable window, centred, with the picture at the largest
// whole multiple that fits it. Throws std::runtime_error when no window can
// be opened.
std::unique_ptr<Platform> CreateSdlPlatform(const WindowOptions& options);

// Shows `message` in an error box on the desktop and waits for the player
// to close it. Does nothing where there is no desktop to show it on (SDL's
// dummy and offscreen drivers, or no display).
void ShowErrorBox(const std::string& message);

}  // namespace kolvar
