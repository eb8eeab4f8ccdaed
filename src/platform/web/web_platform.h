// The game in a browser page (emscripten): the picture on the page's
// canvas, keys, gamepads and the page's touch controls, the hi-score and
// settings in localStorage, screenshots as downloads and the music through
// Web Audio. The page's side is web/page.js (the `KolvarPage` object).
#pragma once

#include <memory>
#include <string>

#include "platform/pause_picture.h"
#include "platform/platform.h"

namespace kolvar {

struct WebOptions {
  // Where the music device finds the MIDI files it measures the pieces by
  // (in the program's embedded files); the sound is the page's music/.
  std::string music_folder = "/data/MIDI";
  // Draws the pause picture's lines (the game's text).
  RenderTextFunction render_text;
};

std::unique_ptr<Platform> CreateWebPlatform(const WebOptions& options);

// True when the page's address asks for `flag` (`?trace`, `?trace&x`).
bool WebPageAsks(const std::string& flag);

// Shows a message that stops the game on the page, under the canvas.
void ShowWebError(const std::string& message);

}  // namespace kolvar
