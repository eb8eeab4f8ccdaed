// The game in a browser page (emscripten): the picture on the page's
// canvas, keys, gamepads and the page's touch controls, the hi-score and
// settings in localStorage, screenshots as downloads and the music through
// Web Audio. The page's side is web/page.js (the `KolvarPage` object).
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/pause.h"
#include "platform/platform.h"

namespace kolvar {

struct WebOptions {
  // Where the music device finds the MIDI files it measures the pieces by
  // (in the program's embedded files); the sound is the page's music/.
  std::string music_folder = "/data/MIDI";
  // Draws the pause picture's lines (the game's text).
  RenderTextFunction render_text;
  // Where localStorage keeps the hi-score (a stage set keeps its own).
  std::string hiscore_key = "kolvar.hiscore";
  // The page's title; empty: the page's own.
  std::string caption;
};

std::unique_ptr<Platform> CreateWebPlatform(const WebOptions& options);

// True when the page's address asks for `flag` (`?trace`, `?trace&x`).
bool WebPageAsks(const std::string& flag);

// The value of `name` in the page's address (`?stages=deep-halls`), or
// nothing when the address does not name it.
std::optional<std::string> WebPageValue(const std::string& name);

// Lists the stage sets on the page as links that play each, `current` (the
// one played, empty: the game's own) marked.
void ShowWebStageSets(const std::vector<std::string>& names, const std::string& current);

// Shows a message that stops the game on the page, under the canvas.
void ShowWebError(const std::string& message);

}  // namespace kolvar
