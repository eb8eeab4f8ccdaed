// The game in a browser page (emscripten): the picture on the page's
// canvas, keys, gamepads and the page's touch controls, the hi-score, the
// Continue stage and the settings in localStorage, screenshots as downloads and the music through
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
  // Where localStorage keeps the stage Continue starts (each stage set its
  // own, as the hi-score), in the desktop's Continue file format.
  std::string continue_key = "kolvar.continue";
  // Where it was kept before, read while `hiscore_key` holds nothing.
  std::string old_hiscore_key;
  // The page's title; empty: the page's own.
  std::string caption;
};

std::unique_ptr<Platform> CreateWebPlatform(const WebOptions& options);

// True when the page's address asks for `flag` (`?trace`, `?trace&x`).
bool WebPageAsks(const std::string& flag);

// The value of `name` in the page's address (`?stages=deep-halls`), or
// nothing when the address does not name it.
std::optional<std::string> WebPageValue(const std::string& name);

// A stage set embedded in the page: its folder's name (as `?stages=` names
// it) and its title (pack.txt's name).
struct WebStageSet {
  std::string name;
  std::string title;
};

// Names the stage set played on the page, `current` (its name), and lists
// the others as links that play each.
void ShowWebStageSets(const std::vector<WebStageSet>& sets, const std::string& current);

// Text the page keeps between visits (localStorage) under `key`; nothing
// when none is kept.
std::optional<std::string> LoadPageText(const std::string& key);
// Keeps `text` under `key`; false when the browser refused (full, or
// keeping nothing for the page).
bool SavePageText(const std::string& key, const std::string& text);
// The keys of the texts kept that start with `prefix`.
std::vector<std::string> PageTextKeys(const std::string& prefix);

// Shows a message that stops the game on the page, under the canvas.
void ShowWebError(const std::string& message);

}  // namespace kolvar
