#include "platform/web/web_platform.h"

#include <emscripten.h>
#include <emscripten/html5.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/desktop/config_file.h"
#include "platform/desktop/continue_store.h"
#include "platform/desktop/hiscore_store.h"
#include "platform/desktop/key_prompts.h"
#include "platform/key_state.h"
#include "platform/pause.h"
#include "platform/pointer_tracker.h"
#include "platform/scaling.h"
#include "platform/timestamped_name.h"
#include "platform/web/web_key_names.h"
#include "platform/web/web_music.h"

namespace kolvar {
namespace {

// The page's side of each call lives in web/page.js.

EM_JS(void, kolvar_web_present, (const uint8_t* rgba, int width, int height),
      { KolvarPage.present(HEAPU8.subarray(rgba, rgba + width * height * 4), width, height); });

// Gives the browser its turn for about `ms` milliseconds: the game's loop
// stays as it is, emscripten's ASYNCIFY unwinds it here and rewinds it when
// the page resumes it.
EM_ASYNC_JS(void, kolvar_web_sleep, (int ms), { await KolvarPage.sleep(ms); });

// The text kept under `key` in localStorage, or nullptr (freed by the caller).
EM_JS(char*, kolvar_web_load, (const char* key), {
  const text = KolvarPage.load(UTF8ToString(key));
  if (text == null) return 0;
  const size = lengthBytesUTF8(text) + 1;
  const copy = _malloc(size);
  stringToUTF8(text, copy, size);
  return copy;
});

// Returns false when the browser refused to keep it.
EM_JS(int, kolvar_web_save, (const char* key, const char* text),
      { return KolvarPage.save(UTF8ToString(key), UTF8ToString(text)) ? 1 : 0; });

// The keys kept in localStorage starting with `prefix`, joined by '\n'
// (freed by the caller).
EM_JS(char*, kolvar_web_keys, (const char* prefix), {
  let keys = [];
  try {
    const start = UTF8ToString(prefix);
    keys = Object.keys(localStorage).filter(function(key) { return key.startsWith(start); });
  } catch (e) {
  }
  const text = keys.join('\n');
  const size = lengthBytesUTF8(text) + 1;
  const copy = _malloc(size);
  stringToUTF8(text, copy, size);
  return copy;
});

EM_JS(void, kolvar_web_notice, (const char* text), { KolvarPage.notice(UTF8ToString(text)); });

// Watches `key` in localStorage for another tab's writes (the storage
// event reaches every tab of the page but the one that wrote).
// clang-format off
EM_JS(void, kolvar_web_watch_key, (const char* key), {
  const watched = UTF8ToString(key);
  Module.kolvarKeyChanged = false;
  addEventListener('storage', function(event) {
    if (event.key === watched || event.key === null) Module.kolvarKeyChanged = true;
  });
});
// clang-format on
// True once after another tab wrote the watched key.
EM_JS(int, kolvar_web_key_changed, (), {
  const changed = Module.kolvarKeyChanged;
  Module.kolvarKeyChanged = false;
  return changed ? 1 : 0;
});

EM_JS(void, kolvar_web_fatal, (const char* text), { KolvarPage.fatal(UTF8ToString(text)); });

EM_JS(void, kolvar_web_fullscreen, (), { KolvarPage.toggleFullscreen(); });

EM_JS(void, kolvar_web_screenshot, (const uint8_t* rgba, const char* name),
      { KolvarPage.screenshot(HEAPU8.subarray(rgba, rgba + 320 * 240 * 4), UTF8ToString(name)); });

EM_JS(void, kolvar_web_paused, (int paused, const char* resume),
      { KolvarPage.paused(paused != 0, UTF8ToString(resume)); });

EM_JS(void, kolvar_web_editing, (int on), { KolvarPage.touch.editing(on != 0); });

// False when the page has no clipboard to write to (the page says so when
// the browser refuses the writing itself).
EM_JS(int, kolvar_web_copy, (const char* text),
      { return KolvarPage.copyText(UTF8ToString(text)) ? 1 : 0; });

// The touch controls: bits 0-5 the game keys held, 8-13 the ones touched
// since the last look, bit 16 a touch of the pause button since then.
EM_JS(int, kolvar_web_touch, (), { return KolvarPage.touch.take(); });

// True when the page shows its touch controls (a touch screen).
EM_JS(int, kolvar_web_touch_screen, (), { return KolvarPage.touch.shown ? 1 : 0; });

EM_JS(int, kolvar_web_has_query_flag, (const char* flag),
      { return new URLSearchParams(location.search).has(UTF8ToString(flag)) ? 1 : 0; });

// The value the page's address gives `name` (freed by the caller), or
// nullptr when the address does not name it.
EM_JS(char*, kolvar_web_query_value, (const char* name), {
  const value = new URLSearchParams(location.search).get(UTF8ToString(name));
  if (value == null) return 0;
  const size = lengthBytesUTF8(value) + 1;
  const copy = _malloc(size);
  stringToUTF8(value, copy, size);
  return copy;
});

// The stage sets on the page (names and titles, each joined by '\n'), the
// one played named, and the page's title.
EM_JS(void, kolvar_web_stage_sets, (const char* names, const char* titles, const char* current), {
  KolvarPage.stageSets(UTF8ToString(names).split('\n'), UTF8ToString(titles).split('\n'),
                       UTF8ToString(current));
});
EM_JS(void, kolvar_web_caption, (const char* text), { KolvarPage.caption(UTF8ToString(text)); });

constexpr const char* kSettingsKey = "kolvar.settings";
// The page's canvas (web/index.html), which the pointer is read over.
constexpr const char* kCanvas = "#screen";

// The pause banner's line on a touch screen, naming the page's pause
// button by its label (web/index.html) rather than keys.
constexpr const char* kTouchResumeLine = "Touch II to play on";

// Key sources (KeyState) of each kind of input, apart from each other:
// keyboard keys by their code, then touch, then gamepad buttons.
constexpr int64_t kTouchSource = int64_t{1} << 40;
constexpr int64_t kPadSource = int64_t{2} << 40;
constexpr int kPadStride = 64;
constexpr int kStickSource = 48;  // + the stick's direction (a Key)

// The standard gamepad mapping's buttons.
constexpr int kPadA = 0;
constexpr int kPadBack = 8;
constexpr int kPadStart = 9;
constexpr int kPadUp = 12, kPadDown = 13, kPadLeft = 14, kPadRight = 15;

// How far the stick must lean to press an arrow, and how far back it must
// come to let go of it: the desktop's 16000 and 10000 out of 32767.
constexpr double kStickPress = 16000.0 / 32767;
constexpr double kStickRelease = 10000.0 / 32767;

// 0x00RRGGBB to the canvas's bytes R, G, B, A (as a little-endian word).
uint32_t Rgba(uint32_t p) {
  return 0xFF000000u | (p & 0xFF) << 16 | (p & 0xFF00) | (p >> 16 & 0xFF);
}

int64_t CodeSource(const char* code) {
  // FNV-1a of the physical key's name: the key let go is the key pressed,
  // whatever Shift did to its character meanwhile.
  uint64_t hash = 1469598103934665603ull;
  for (const char* c = code; *c; ++c)
    hash = (hash ^ static_cast<unsigned char>(*c)) * 1099511628211ull;
  return static_cast<int64_t>(hash % (uint64_t{1} << 39));
}

class WebPlatform final : public Platform {
 public:
  explicit WebPlatform(const WebOptions& options)
      : render_text_(options.render_text),
        hiscore_key_(options.hiscore_key),
        continue_key_(options.continue_key) {
    if (!options.caption.empty()) kolvar_web_caption(options.caption.c_str());
    AdoptOldHiScore(options.old_hiscore_key);
    kolvar_web_watch_key(hiscore_key_.c_str());
    LoadSettings();
    start_ = emscripten_get_now();
    last_.assign(static_cast<size_t>(kPictureWidth) * kPictureHeight, 0);
    rgba_.resize(last_.size());
    music_ = CreateWebMusicDevice(options.music_folder, [this] { return Clock(); });
    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, this, true, &OnKeyDown);
    emscripten_set_keyup_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, this, true, &OnKeyUp);
    // The window's own blur only: blur does not bubble, so without the
    // capture phase a button or the volume giving the focus back to the
    // page is no lost focus (it paused the game).
    emscripten_set_blur_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, this, false, &OnBlur);
    emscripten_set_visibilitychange_callback(this, true, &OnVisibility);
    emscripten_set_mousedown_callback(kCanvas, this, true, &OnMouse);
    emscripten_set_mouseup_callback(kCanvas, this, true, &OnMouse);
    emscripten_set_mousemove_callback(kCanvas, this, true, &OnMouse);
    emscripten_set_touchstart_callback(kCanvas, this, true, &OnTouch);
    emscripten_set_touchmove_callback(kCanvas, this, true, &OnTouch);
    emscripten_set_touchend_callback(kCanvas, this, true, &OnTouch);
    emscripten_set_touchcancel_callback(kCanvas, this, true, &OnTouch);
    Present();
  }

  // The game's clock does not move while the game is paused.
  uint32_t Clock() override { return pause_.GameClock(PageClock()); }

  uint16_t PollKey(Key key) override { return keys_.Poll(key); }

  bool PumpEvents() override {
    if (kolvar_web_key_changed()) {
      if (const std::optional<int32_t> kept = KeptHiScore()) {
        kept_elsewhere_ = std::max(kept_elsewhere_, *kept);
      }
    }
    ReadTouch();
    ReadPads();
    if (pause_.wanted()) Pause();
    // A page is closed by its tab, without asking the game.
    return false;
  }

  void Idle(uint32_t ms) override {
    // The last stretch before a deadline naps a millisecond at a time, so
    // the wait looks at the clock once a millisecond.
    kolvar_web_sleep(ms > 0 ? static_cast<int>(ms) : 1);
  }

  void Show(PixelView picture) override {
    if (picture.width != kPictureWidth || picture.height != kPictureHeight) return;
    last_.assign(picture.pixels, picture.pixels + last_.size());
    Present();
  }

  MusicDevice& Music() override { return *music_; }

  int32_t LoadHiScore() override {
    char* text = kolvar_web_load(hiscore_key_.c_str());
    if (!text) return 0;
    const std::optional<int32_t> value = ParseHiScore(text);
    std::free(text);
    if (!value) {
      kolvar_web_notice(("the kept hi-score (localStorage " + hiscore_key_ +
                         ") is not a hi-score; starting from 0")
                            .c_str());
      return 0;
    }
    return *value;
  }

  // Another tab of the page may have kept a higher score since: it stays,
  // and the game takes it at its next event pass.
  void SaveHiScore(int32_t value) override {
    if (const std::optional<int32_t> kept = KeptHiScore(); kept && *kept >= value) {
      kept_elsewhere_ = std::max(kept_elsewhere_, *kept);
      return;
    }
    if (!kolvar_web_save(hiscore_key_.c_str(), HiScoreText(value).c_str()) &&
        !save_failure_reported_) {
      save_failure_reported_ = true;
      kolvar_web_notice("the browser keeps no data for this page: the hi-score is not kept");
    }
  }

  // The stage of the last game over, kept as the desktop keeps it beside
  // the hi-score; stage 1 (with a notice) when what is kept is not one.
  int32_t LoadContinueStage() override {
    char* text = kolvar_web_load(continue_key_.c_str());
    if (!text) return 1;
    const std::optional<int32_t> stage = ParseContinueStage(text);
    std::free(text);
    if (!stage) {
      kolvar_web_notice(("the kept Continue stage (localStorage " + continue_key_ +
                         ") is not one; Continue starts stage 1")
                            .c_str());
      return 1;
    }
    return *stage;
  }

  void SaveContinueStage(int32_t stage) override {
    if (!kolvar_web_save(continue_key_.c_str(), ContinueText(stage).c_str()) &&
        !continue_failure_reported_) {
      continue_failure_reported_ = true;
      kolvar_web_notice("the browser keeps no data for this page: the Continue stage is not kept");
    }
  }

  // The page shows it on its notice line and in the console.
  void Notice(const std::string& message) override { kolvar_web_notice(message.c_str()); }

  int32_t HiScoreKeptElsewhere() override { return kept_elsewhere_; }

  // The prompts name the first key the settings give to confirming.
  ConfirmControl ConfirmKey() override { return ConfirmControlOf(settings_, WebKeyNames(), false); }

  PointerState PollPointer() override { return pointer_.Poll(); }
  std::vector<TypedKey> TakeTypedKeys() override { return std::exchange(typed_, {}); }
  // The page writes it to the clipboard where the browser lets it, and the
  // editor's page shows it too, to copy by hand where it does not.
  bool CopyToClipboard(const std::string& text) override {
    return kolvar_web_copy(text.c_str()) != 0;
  }

  // Typing is the stage editor's: the page's touch controls step aside
  // while it edits, as the canvas takes the touches then.
  void SetTyping(bool on) override {
    typing_ = on;
    kolvar_web_editing(on ? 1 : 0);
  }

 private:
  // The hi-score kept in localStorage now; nothing when none is kept or
  // it is not a hi-score.
  std::optional<int32_t> KeptHiScore() {
    char* text = kolvar_web_load(hiscore_key_.c_str());
    if (!text) return std::nullopt;
    const std::optional<int32_t> value = ParseHiScore(text);
    std::free(text);
    return value;
  }

  // A set's hi-score kept under the name it had before, while nothing is
  // kept under its own.
  void AdoptOldHiScore(const std::string& old_key) {
    if (old_key.empty()) return;
    char* kept = kolvar_web_load(hiscore_key_.c_str());
    if (kept) {
      std::free(kept);
      return;
    }
    if (char* old = kolvar_web_load(old_key.c_str())) {
      kolvar_web_save(hiscore_key_.c_str(), old);
      std::free(old);
    }
  }

  // The settings are the desktop's settings file, kept as text in
  // localStorage (kolvar.settings); written with the defaults the first
  // time. Only the keys matter in a page: the page's own mute button and
  // volume set the sound (web/page.js keeps them in kolvar.sound).
  void LoadSettings() {
    const KeyNames names = WebKeyNames();
    char* text = kolvar_web_load(kSettingsKey);
    if (!text) {
      settings_ = DefaultSettings(names);
      kolvar_web_save(kSettingsKey, DefaultSettingsText().c_str());
      return;
    }
    SettingsResult result = ParseSettings(text, "localStorage kolvar.settings", names);
    std::free(text);
    for (const std::string& problem : result.problems) kolvar_web_notice(problem.c_str());
    settings_ = std::move(result.settings);
  }

  static EM_BOOL OnKeyDown(int, const EmscriptenKeyboardEvent* event, void* self) {
    return static_cast<WebPlatform*>(self)->KeyDown(*event);
  }
  static EM_BOOL OnKeyUp(int, const EmscriptenKeyboardEvent* event, void* self) {
    auto* platform = static_cast<WebPlatform*>(self);
    const int64_t source = CodeSource(event->code);
    platform->keys_.ReleaseSources(source, source);
    return false;
  }
  static EM_BOOL OnBlur(int, const EmscriptenFocusEvent*, void* self) {
    static_cast<WebPlatform*>(self)->FocusLost();
    return false;
  }
  static EM_BOOL OnVisibility(int, const EmscriptenVisibilityChangeEvent* event, void* self) {
    if (event->hidden) static_cast<WebPlatform*>(self)->FocusLost();
    return false;
  }

  // The canvas's CSS pixels to the picture's: the page scales the canvas
  // by its style, and the event's place is within the canvas's box.
  void PicturePixel(double css_x, double css_y, int* x, int* y) {
    double width = kPictureWidth, height = kPictureHeight;
    emscripten_get_element_css_size(kCanvas, &width, &height);
    const PixelRect box{0, 0, std::max(1, static_cast<int>(width)),
                        std::max(1, static_cast<int>(height))};
    PicturePixelAt(box, static_cast<int>(css_x), static_cast<int>(css_y), x, y);
  }

  static EM_BOOL OnMouse(int type, const EmscriptenMouseEvent* event, void* self) {
    auto* platform = static_cast<WebPlatform*>(self);
    int x = 0, y = 0;
    platform->PicturePixel(event->targetX, event->targetY, &x, &y);
    if (type == EMSCRIPTEN_EVENT_MOUSEMOVE) {
      platform->pointer_.Move(x, y, false);
    } else if (event->button == 0) {
      if (type == EMSCRIPTEN_EVENT_MOUSEDOWN) platform->pointer_.Press(x, y, false);
      if (type == EMSCRIPTEN_EVENT_MOUSEUP) platform->pointer_.Release(x, y, false);
    }
    return false;
  }

  // The first finger on the canvas is the pointer; the page does not
  // scroll or zoom under it.
  static EM_BOOL OnTouch(int type, const EmscriptenTouchEvent* event, void* self) {
    auto* platform = static_cast<WebPlatform*>(self);
    for (int i = 0; i < event->numTouches; ++i) {
      const EmscriptenTouchPoint& point = event->touches[i];
      if (!point.isChanged) continue;
      if (type == EMSCRIPTEN_EVENT_TOUCHSTART && platform->finger_ < 0) {
        platform->finger_ = point.identifier;
      }
      if (point.identifier != platform->finger_) continue;
      int x = 0, y = 0;
      platform->PicturePixel(point.targetX, point.targetY, &x, &y);
      if (type == EMSCRIPTEN_EVENT_TOUCHSTART) {
        platform->pointer_.Press(x, y, true);
      } else if (type == EMSCRIPTEN_EVENT_TOUCHMOVE) {
        platform->pointer_.Move(x, y, true);
      } else {
        platform->pointer_.Release(x, y, true);
        platform->finger_ = -1;
      }
    }
    return true;
  }

  // The keys typed by name or character (TypedKey), from the browser's
  // own name of the key. Returns true when it was typed.
  bool Type(const EmscriptenKeyboardEvent& event) {
    const std::string key = event.key;
    if (event.ctrlKey && key.size() == 1 && key[0] >= 'a' && key[0] <= 'z') {
      QueueTypedKey(typed_, "Ctrl+" + key);
      return true;
    }
    if (key.size() == 1 && key[0] >= ' ' && key[0] <= '~') {
      QueueTypedKey(typed_, key);
      return true;
    }
    static const char* const kNamed[] = {"Backspace", "Delete", "Tab",     "Home",
                                         "End",       "PageUp", "PageDown"};
    for (const char* name : kNamed) {
      if (key == name) {
        QueueTypedKey(typed_, key);
        return true;
      }
    }
    if (key == "Enter") {
      QueueTypedKey(typed_, "Return");
      return true;
    }
    if (key.size() >= 2 && key.size() <= 3 && key[0] == 'F' &&
        key.find_first_not_of("0123456789", 1) == std::string::npos) {
      QueueTypedKey(typed_, key);
      return true;
    }
    return false;
  }

  // Whatever the player does in another tab or window costs no time; keys
  // held there are let go, as their release never reaches the page.
  void FocusLost() {
    keys_.ReleaseSources(0, kTouchSource - 1);
    pause_.Ask();
  }

  // Returns true for the keys the game uses, so the page does not scroll or
  // act on them too.
  bool KeyDown(const EmscriptenKeyboardEvent& event) {
    const bool typed = Type(event);
    // While the player types, a key that writes a character only types
    // it, and Tab stays on the page.
    if (typing_ && typed &&
        (std::string(event.key).size() == 1 || std::string(event.key) == "Tab")) {
      return true;
    }
    const KeyCode key = WebKeyOfEvent(event.key, event.code);
    if (key == 0) return false;
    const std::optional<Action> action = ActionOfKey(settings_, key);
    if (!action) return false;
    if (static_cast<int>(*action) < kKeyCount) {
      keys_.Press(static_cast<Key>(*action), CodeSource(event.code), !pause_.paused());
      return true;
    }
    if (event.repeat) return true;
    switch (*action) {
      case Action::Pause:
        pause_.Toggle();
        break;
      case Action::Fullscreen:
        kolvar_web_fullscreen();
        break;
      case Action::Screenshot:
        TakeScreenshot();
        break;
      default:
        break;
    }
    return true;
  }

  // The touch controls' keys, as a keyboard of their own.
  void ReadTouch() {
    const int touch = kolvar_web_touch();
    for (int k = 0; k < kKeyCount; ++k) {
      const Key key = static_cast<Key>(k);
      const bool held = touch & (1 << k);
      const bool tapped = touch & (1 << (k + 8));
      // A tap shorter than the nap between two looks is still a press.
      if (tapped || held) keys_.Press(key, kTouchSource + k, !pause_.paused());
      if (!held) keys_.ReleaseSources(kTouchSource + k, kTouchSource + k);
    }
    if (touch & (1 << 16)) pause_.Toggle();
  }

  // Gamepads through the browser's Gamepad API, standard mapping: d-pad and
  // left stick walk, A confirms, Back leaves, Start pauses.
  void ReadPads() {
    if (emscripten_sample_gamepad_data() != EMSCRIPTEN_RESULT_SUCCESS) return;
    const int count = emscripten_get_num_gamepads();
    for (int pad = 0; pad < count && pad < 16; ++pad) {
      EmscriptenGamepadEvent state;
      const int64_t base = kPadSource + int64_t{pad} * kPadStride;
      if (emscripten_get_gamepad_status(pad, &state) != EMSCRIPTEN_RESULT_SUCCESS ||
          !state.connected) {
        keys_.ReleaseSources(base, base + kPadStride - 1);
        pad_start_[pad] = false;
        continue;
      }
      const auto button = [&](int index) {
        return index < state.numButtons && state.digitalButton[index];
      };
      const std::pair<int, Key> buttons[] = {{kPadUp, Key::Up},     {kPadRight, Key::Right},
                                             {kPadDown, Key::Down}, {kPadLeft, Key::Left},
                                             {kPadBack, Key::Esc},  {kPadA, Key::Z}};
      for (const auto& [index, key] : buttons) {
        if (button(index)) {
          keys_.Press(key, base + index, !pause_.paused());
        } else {
          keys_.ReleaseSources(base + index, base + index);
        }
      }
      if (state.numAxes >= 2) {
        StickAxis(base, state.axis[0], Key::Left, Key::Right);
        StickAxis(base, state.axis[1], Key::Up, Key::Down);
      }
      const bool start = button(kPadStart);
      if (start && !pad_start_[pad]) pause_.Toggle();
      pad_start_[pad] = start;
    }
  }

  void StickAxis(int64_t base, double value, Key negative, Key positive) {
    for (const Key key : {negative, positive}) {
      const int64_t source = base + kStickSource + static_cast<int>(key);
      const double lean = key == negative ? -value : value;
      if (lean >= kStickPress) {
        keys_.Press(key, source, !pause_.paused());
      } else if (lean < kStickRelease) {
        keys_.ReleaseSources(source, source);
      }
    }
  }

  // Waits here, inside the game's event processing, until the player plays
  // on. The game's clock stands still meanwhile, so the stage clock, every
  // wait and the music timer see no time pass.
  void Pause() {
    if (kolvar_web_touch_screen()) {
      pause_.BeginSaying(PageClock(), last_, render_text_, kTouchResumeLine);
    } else {
      pause_.Begin(PageClock(), last_, render_text_,
                   FirstKeyName(settings_, Action::Pause, WebKeyNames()));
    }
    music_->SetPaused(true);
    kolvar_web_paused(1, pause_.resume_line().c_str());
    Present();
    while (pause_.paused()) {
      kolvar_web_sleep(50);
      ReadTouch();
      ReadPads();
    }
    pause_.End(PageClock());
    kolvar_web_paused(0, "");
    music_->SetPaused(false);
    Present();
  }

  void Present() {
    const std::vector<uint32_t>& picture = pause_.Shown(last_);
    for (size_t i = 0; i < picture.size(); ++i) rgba_[i] = Rgba(picture[i]);
    kolvar_web_present(reinterpret_cast<const uint8_t*>(rgba_.data()), kPictureWidth,
                       kPictureHeight);
  }

  // The page offers the picture as a download at the scale it is shown,
  // named as the desktop names its screenshots (with _x3 for scale 3).
  void TakeScreenshot() {
    const std::string name = TimestampedName(static_cast<int64_t>(std::time(nullptr)), 1, ".png");
    // The game's picture, never the pause picture over it.
    std::vector<uint32_t> rgba(last_.size());
    for (size_t i = 0; i < last_.size(); ++i) rgba[i] = Rgba(last_[i]);
    kolvar_web_screenshot(reinterpret_cast<const uint8_t*>(rgba.data()), name.c_str());
  }

  // Milliseconds since the page started the game; they run on in a pause.
  uint32_t PageClock() const {
    return static_cast<uint32_t>(static_cast<int64_t>(emscripten_get_now() - start_));
  }

  RenderTextFunction render_text_;
  std::string hiscore_key_;
  std::string continue_key_;
  int32_t kept_elsewhere_ = 0;  // the highest hi-score another tab kept
  Settings settings_;
  double start_ = 0;
  std::vector<uint32_t> last_;
  std::vector<uint32_t> rgba_;
  KeyState keys_;
  PointerTracker pointer_;
  int finger_ = -1;  // the touch that is the pointer, -1: none
  std::vector<TypedKey> typed_;
  bool typing_ = false;
  bool pad_start_[16] = {};
  PauseState pause_;
  bool save_failure_reported_ = false;
  bool continue_failure_reported_ = false;
  std::unique_ptr<WebMusic> music_;
};

}  // namespace

std::unique_ptr<Platform> CreateWebPlatform(const WebOptions& options) {
  return std::make_unique<WebPlatform>(options);
}

bool WebPageAsks(const std::string& flag) {
  return kolvar_web_has_query_flag(flag.c_str()) != 0;
}

std::optional<std::string> WebPageValue(const std::string& name) {
  char* value = kolvar_web_query_value(name.c_str());
  if (!value) return std::nullopt;
  std::string text = value;
  std::free(value);
  return text;
}

void ShowWebStageSets(const std::vector<WebStageSet>& sets, const std::string& current) {
  std::string names, titles;
  for (const WebStageSet& set : sets) {
    const char* between = names.empty() ? "" : "\n";
    names += between + set.name;
    titles += between + set.title;
  }
  kolvar_web_stage_sets(names.c_str(), titles.c_str(), current.c_str());
}

std::optional<std::string> LoadPageText(const std::string& key) {
  char* text = kolvar_web_load(key.c_str());
  if (!text) return std::nullopt;
  std::string kept = text;
  std::free(text);
  return kept;
}

bool SavePageText(const std::string& key, const std::string& text) {
  return kolvar_web_save(key.c_str(), text.c_str()) != 0;
}

std::vector<std::string> PageTextKeys(const std::string& prefix) {
  char* joined = kolvar_web_keys(prefix.c_str());
  std::vector<std::string> keys;
  std::string all = joined;
  std::free(joined);
  size_t start = 0;
  while (start < all.size()) {
    size_t end = all.find('\n', start);
    if (end == std::string::npos) end = all.size();
    keys.push_back(all.substr(start, end - start));
    start = end + 1;
  }
  return keys;
}

void ShowWebError(const std::string& message) {
  kolvar_web_fatal(message.c_str());
}

}  // namespace kolvar
