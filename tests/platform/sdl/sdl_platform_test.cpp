// The window backend through SDL's dummy video driver: pause, focus loss and
// game controllers (SDL's virtual joystick), fed with real SDL events, and
// the picture as the window shows it at any size.
#include "platform/sdl/sdl_platform.h"

#include <SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "core/game.h"
#include "pacing/keyboard.h"
#include "platform/desktop/key_prompts.h"
#include "platform/headless/headless_platform.h"
#include "platform/scaling.h"
#include "platform/sdl/gamepad.h"
#include "platform/sdl/sdl_key_names.h"
#include "player/player_step.h"
#include "support/scratch_folder.h"
#include "support/test_game.h"
#include "video/text.h"

namespace kolvar {
namespace {

namespace fs = std::filesystem;

struct SdlPlatformTest : ::testing::Test {
  SdlPlatformTest() {
    fs::remove_all(dir);
    WindowOptions options;
    options.scale = 1;
    options.settings_file = (dir / "kolvar.conf").string();
    options.hiscore_file = (dir / "hiscore").string();
    platform = CreateSdlPlatform(options);
  }
  ~SdlPlatformTest() override {
    platform.reset();
    fs::remove_all(dir);
  }

  static void Push(SDL_Event event) { ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError(); }
  static SDL_Event KeyEvent(SDL_Keycode key, bool down) {
    SDL_Event event{};
    event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym.sym = key;
    event.key.keysym.scancode = SDL_GetScancodeFromKey(key);
    return event;
  }
  static SDL_Event WindowEvent(SDL_WindowEventID id) {
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.event = static_cast<Uint8>(id);
    return event;
  }
  // Runs PumpEvents while another thread pushes each event after its delay
  // (in ms from the start); returns how long PumpEvents took by the wall
  // clock.
  uint32_t PumpWhile(std::vector<std::pair<int, SDL_Event>> later) {
    const uint32_t start = SDL_GetTicks();
    std::thread pusher([&] {
      for (auto& [ms, event] : later) {
        while (static_cast<int>(SDL_GetTicks() - start) < ms) SDL_Delay(1);
        SDL_PushEvent(&event);
      }
    });
    platform->PumpEvents();
    const uint32_t took = SDL_GetTicks() - start;
    pusher.join();
    return took;
  }

  const testing::ScratchFolder scratch{"kolvar_window"};
  const fs::path dir = scratch / "user";
  std::unique_ptr<Platform> platform;
};

// The window, resized as a player would, shows the picture at the largest
// whole multiple that fits, each pixel a square, centred on black; the
// picture shown before a resize is drawn again at the new size, and each
// picture after it (some rows changed, or none, or all) is shown whole.
TEST_F(SdlPlatformTest, ThePictureIsScaledByWholePixelsOnBlackAtEverySize) {
  SDL_Window* window = nullptr;  // the newest window is the platform's
  for (Uint32 id = 1; id < 1000; ++id) {
    if (SDL_Window* w = SDL_GetWindowFromID(id)) window = w;
  }
  ASSERT_NE(window, nullptr);
  std::vector<uint32_t> picture(kPictureWidth * kPictureHeight);
  for (size_t i = 0; i < picture.size(); ++i) {
    picture[i] = static_cast<uint32_t>(i * 2654435761u) | 0x010101;  // never black
  }
  platform->Show({picture.data(), kPictureWidth, kPictureHeight});
  const struct {
    int width, height, scale, x, y;
  } cases[] = {{700, 500, 2, 30, 10},
               {1000, 900, 3, 20, 90},
               {330, 250, 1, 5, 5},
               {640, 480, 2, 0, 0},
               {1280, 720, 3, 160, 0}};
  // Rows of the picture to change before showing it again.
  const std::vector<std::vector<int>> changes = {{}, {0}, {100, 101, 150}, {239}, {}};
  uint32_t tint = 0x102030;
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
    SDL_SetWindowSize(window, c.width, c.height);
    platform->PumpEvents();
    for (size_t step = 0; step <= changes.size(); ++step) {
      SCOPED_TRACE(step == 0 ? "after the resize" : "shown again, change " + std::to_string(step));
      if (step > 0) {
        for (const int y : changes[step - 1]) {
          for (int x = 0; x < kPictureWidth; x += 7) picture[y * kPictureWidth + x] ^= tint;
        }
        if (step == changes.size()) {
          for (uint32_t& p : picture) p ^= tint;
        }
        tint += 0x010101;
        platform->Show({picture.data(), kPictureWidth, kPictureHeight});
      }
      const SDL_Surface* surface = SDL_GetWindowSurface(window);
      ASSERT_NE(surface, nullptr) << SDL_GetError();
      ASSERT_EQ(surface->w, c.width);
      ASSERT_EQ(surface->h, c.height);
      int wrong = 0;
      for (int y = 0; y < c.height; ++y) {
        const auto* row =
            reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(surface->pixels) +
                                              static_cast<ptrdiff_t>(y) * surface->pitch);
        for (int x = 0; x < c.width; ++x) {
          const int px = (x - c.x) / c.scale, py = (y - c.y) / c.scale;
          const bool inside = x >= c.x && y >= c.y && px < kPictureWidth && py < kPictureHeight;
          const uint32_t expected = inside ? picture[py * kPictureWidth + px] & 0xFFFFFF : 0;
          wrong += (row[x] & 0xFFFFFF) != expected;
        }
      }
      EXPECT_EQ(wrong, 0);
    }
  }
}

TEST_F(SdlPlatformTest, APausedSecondLeavesTheClockAndTheStageClockAsTheyWere) {
  // Each way into a pause: the pause keys and the window losing focus. P
  // (or Start) plays on.
  const struct {
    SDL_Event pause;
    int ms;
  } cases[] = {{KeyEvent(SDLK_p, true), 1100},
               {KeyEvent(SDLK_PAUSE, true), 300},
               {WindowEvent(SDL_WINDOWEVENT_FOCUS_LOST), 300}};
  for (const auto& [pause, ms] : cases) {
    Game game(*platform);
    game.StageStartTime = platform->Clock();
    Push(pause);
    const uint32_t took = PumpWhile({{ms, KeyEvent(SDLK_p, true)}});
    const uint32_t seen = platform->Clock() - game.StageStartTime;
    EXPECT_GE(took, static_cast<uint32_t>(ms)) << "event " << pause.type;
    // All but the moment before the pause began is missing from the game's
    // clock; the stage clock, whole seconds of it from the stage start, is
    // still in the stage's first second.
    EXPECT_LT(seen, 200u) << "event " << pause.type;
  }
}

TEST_F(SdlPlatformTest, ACloseRequestEndsAPauseAtOnce) {
  Push(WindowEvent(SDL_WINDOWEVENT_FOCUS_LOST));
  SDL_Event quit{};
  quit.type = SDL_QUIT;
  const uint32_t took = PumpWhile({{300, quit}});
  EXPECT_TRUE(platform->PumpEvents());
  EXPECT_LT(took, 1000u);
}

TEST_F(SdlPlatformTest, KeysPressedDuringAPauseAreHeldButNotRemembered) {
  Push(KeyEvent(SDLK_z, true));  // before the pause: kept for the next poll
  Push(KeyEvent(SDLK_z, false));
  Push(KeyEvent(SDLK_p, true));
  PumpWhile({{300, KeyEvent(SDLK_UP, true)},
             {300, KeyEvent(SDLK_ESCAPE, true)},
             {310, KeyEvent(SDLK_ESCAPE, false)},
             {400, KeyEvent(SDLK_p, true)}});
  EXPECT_EQ(platform->PollKey(Key::Z), 0x0001);
  EXPECT_EQ(platform->PollKey(Key::Up), 0x8000);
  EXPECT_EQ(platform->PollKey(Key::Esc), 0);
}

// Return and Space confirm as Z does, by default; the prompts still name Z.
TEST_F(SdlPlatformTest, ReturnAndSpaceConfirmAsZDoes) {
  for (const SDL_Keycode key : {SDLK_z, SDLK_RETURN, SDLK_SPACE}) {
    SCOPED_TRACE(SDL_GetKeyName(key));
    Push(KeyEvent(key, true));
    EXPECT_EQ(platform->PollKey(Key::Z), 0x8001);
    Push(KeyEvent(key, false));
    EXPECT_EQ(platform->PollKey(Key::Z), 0);
  }
  EXPECT_EQ(platform->ConfirmKey().name, "Z");
}

// One input of a short game, given to every source the same way.
struct Step {
  Key key;
  bool down;
  int frames = 0;  // player steps to run after it
  int stick = -1;  // -1: a key or button; else the pad's stick leans this far
};

bool InDeadZone(const Step& s) {
  return s.stick > 0 && s.stick < kStickPress;
}

// Runs `steps` in a walled room and returns what each frame did: player x,
// y, facing and move code, and after each step the Z and Esc polls.
std::vector<int32_t> PlayShortGame(Platform& platform, const std::vector<Step>& steps,
                                   const std::function<void(const Step&)>& give) {
  Game game(platform);
  testing::FillMap(game, 16);
  testing::SetCells(game, 1, 1, 8, 5, kFloor);
  game.PlayerX = 96;
  game.PlayerY = 64;
  std::vector<int32_t> record;
  for (const Step& step : steps) {
    give(step);
    for (int i = 0; i < step.frames; ++i) {
      const int32_t move = StepPlayer(game);
      record.insert(record.end(), {game.PlayerX, game.PlayerY, game.PlayerDir, move});
    }
    record.push_back(KeyPressed(game, Key::Z));
    record.push_back(KeyPressed(game, Key::Esc));
  }
  return record;
}

TEST_F(SdlPlatformTest, AControllersDpadStickAndButtonsPlayAsTheKeysDo) {
  const std::vector<Step> steps = {
      {Key::Right, true, 3},
      {Key::Right, false, 1},  // held, then let go
      {Key::Right, true, 1, 9000},
      {Key::Right, false, 0, 0},  // inside the dead zone
      {Key::Right, true, 2, 32767},
      {Key::Right, false, 1, 0},  // the stick leans right
      {Key::Up, true, 2, 20000},
      {Key::Up, false, 0, 0},  // and up
      {Key::Down, true},
      {Key::Down, false, 1},  // a tap between polls
      {Key::Up, true, 2},
      {Key::Left, true},  // Left waits behind Up
      {Key::Left, false, 1},
      {Key::Up, false, 2},
      {Key::Z, true},
      {Key::Z, false, 1},  // A: one press of Z
      {Key::Esc, true},
      {Key::Esc, false},  // Back: Esc
  };

  // The headless runner is the reference for the poll rule.
  testing::TestPlatform reference;
  const std::vector<int32_t> expected = PlayShortGame(reference, steps, [&](const Step& s) {
    if (InDeadZone(s)) return;
    s.down ? reference.PressKey(s.key) : reference.ReleaseKey(s.key);
  });
  ASSERT_NE(expected[0], expected[expected.size() - 6]);  // the player did walk

  const SDL_Keycode kKeys[] = {SDLK_UP, SDLK_RIGHT, SDLK_DOWN, SDLK_LEFT, SDLK_ESCAPE, SDLK_z};
  const std::vector<int32_t> typed = PlayShortGame(*platform, steps, [&](const Step& s) {
    if (InDeadZone(s)) return;
    Push(KeyEvent(kKeys[static_cast<int>(s.key)], s.down));
  });
  EXPECT_EQ(typed, expected);

  // A pad plugged in while the game runs is opened at the next look at the
  // window's events. (SDL drops pad events while its windows lack the focus,
  // and a dummy driver's window never has it.)
  SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
  const int device = SDL_JoystickAttachVirtual(
      SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX, SDL_CONTROLLER_BUTTON_MAX, 0);
  ASSERT_GE(device, 0) << SDL_GetError();
  SDL_Joystick* pad = SDL_JoystickOpen(device);
  ASSERT_NE(pad, nullptr) << SDL_GetError();
  platform->PumpEvents();
  const int kButtons[] = {SDL_CONTROLLER_BUTTON_DPAD_UP,   SDL_CONTROLLER_BUTTON_DPAD_RIGHT,
                          SDL_CONTROLLER_BUTTON_DPAD_DOWN, SDL_CONTROLLER_BUTTON_DPAD_LEFT,
                          SDL_CONTROLLER_BUTTON_BACK,      SDL_CONTROLLER_BUTTON_A};
  const std::vector<int32_t> played = PlayShortGame(*platform, steps, [&](const Step& s) {
    if (s.stick >= 0) {
      const bool across = s.key == Key::Left || s.key == Key::Right;
      const int sign = s.key == Key::Left || s.key == Key::Up ? -1 : 1;
      SDL_JoystickSetVirtualAxis(pad,
                                 across ? SDL_CONTROLLER_AXIS_LEFTX : SDL_CONTROLLER_AXIS_LEFTY,
                                 static_cast<Sint16>(s.down ? sign * s.stick : 0));
    } else {
      SDL_JoystickSetVirtualButton(pad, kButtons[static_cast<int>(s.key)], s.down ? 1 : 0);
    }
    SDL_PumpEvents();  // the pad reports each change, as a real one does
  });
  EXPECT_EQ(played, expected);
  // The prompts name the button while the pad is what was last pressed, and
  // the key again once a key is.
  EXPECT_EQ(platform->ConfirmKey().name, "A");
  EXPECT_TRUE(platform->ConfirmKey().button);
  Push(KeyEvent(SDLK_DOWN, true));
  platform->PumpEvents();
  EXPECT_EQ(platform->ConfirmKey().name, "Z");
  EXPECT_FALSE(platform->ConfirmKey().button);
  SDL_JoystickClose(pad);
  SDL_JoystickDetachVirtual(device);
}

// What the window cannot keep is told on its notice line, not only on the
// terminal: a hi-score that cannot be saved (a file stands where its
// folder should be) darkens a band along the bottom of the picture.
TEST(WindowNotices, AHiScoreNotKeptIsToldOnTheNoticeLine) {
  const testing::ScratchFolder scratch("kolvar-window-notice");
  const fs::path blocker = scratch.Write("blocker", "a file where a folder should be");
  // No first start: its line of keys would stand on the band.
  scratch.Write("kolvar.conf", "");
  WindowOptions options;
  options.scale = 1;
  options.settings_file = (scratch / "kolvar.conf").string();
  options.hiscore_file = (blocker / "hiscore").string();
  options.render_text = RenderTextLine;
  std::unique_ptr<Platform> platform = CreateSdlPlatform(options);
  SDL_Window* window = nullptr;  // the newest window is the platform's
  for (Uint32 id = 1; id < 1000; ++id) {
    if (SDL_Window* w = SDL_GetWindowFromID(id)) window = w;
  }
  ASSERT_NE(window, nullptr);
  const std::vector<uint32_t> white(kPictureWidth * kPictureHeight, 0xFFFFFF);
  // The rows of the window's bottom quarter holding a dark pixel, with the
  // white picture shown.
  const auto dark_rows = [&] {
    platform->Show({white.data(), kPictureWidth, kPictureHeight});
    platform->PumpEvents();
    const SDL_Surface* surface = SDL_GetWindowSurface(window);
    int rows = 0;
    for (int y = surface->h * 3 / 4; y < surface->h; ++y) {
      const auto* row =
          reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(surface->pixels) +
                                            static_cast<ptrdiff_t>(y) * surface->pitch);
      rows += std::any_of(row, row + surface->w, [](uint32_t p) { return (p & 0xFF) < 0x80; });
    }
    return rows;
  };
  EXPECT_EQ(platform->LoadHiScore(), 0);
  EXPECT_EQ(dark_rows(), 0);
  platform->SaveHiScore(500);
  EXPECT_GT(dark_rows(), 0);
}

// While a line stands on the notice band (the keys, on a first start), the
// window draws only what changed: a picture shown again as it was draws
// nothing, a change above the band only its rows, a change under the band
// those rows and the band over them. Marks put into the window's surface
// tell what was drawn; each time the rest is what a whole drawing (the
// window exposed) gives, the band darkening the picture once.
TEST(WindowNotices, UnderAStandingLineOnlyWhatChangedIsDrawn) {
  const testing::ScratchFolder scratch("kolvar-window-band");
  WindowOptions options;
  options.scale = 2;
  options.settings_file = (scratch / "kolvar.conf").string();  // none yet: a first start
  options.hiscore_file = (scratch / "hiscore").string();
  options.render_text = RenderTextLine;
  std::unique_ptr<Platform> platform = CreateSdlPlatform(options);
  SDL_Window* window = nullptr;  // the newest window is the platform's
  for (Uint32 id = 1; id < 1000; ++id) {
    if (SDL_Window* w = SDL_GetWindowFromID(id)) window = w;
  }
  ASSERT_NE(window, nullptr);
  std::vector<uint32_t> picture(kPictureWidth * kPictureHeight);
  for (size_t i = 0; i < picture.size(); ++i) {
    picture[i] = static_cast<uint32_t>(i * 2654435761u) | 0x808080;  // bright: the band shows
  }
  const auto pixels = [&] {
    const SDL_Surface* surface = SDL_GetWindowSurface(window);
    std::vector<uint32_t> all;
    for (int y = 0; y < surface->h; ++y) {
      const auto* row =
          reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(surface->pixels) +
                                            static_cast<ptrdiff_t>(y) * surface->pitch);
      for (int x = 0; x < surface->w; ++x) all.push_back(row[x] & 0xFFFFFF);
    }
    return all;
  };
  const auto whole = [&] {
    SDL_Event exposed{};
    exposed.type = SDL_WINDOWEVENT;
    exposed.window.event = SDL_WINDOWEVENT_EXPOSED;
    SDL_PushEvent(&exposed);
    platform->PumpEvents();
    return pixels();
  };
  platform->Show({picture.data(), kPictureWidth, kPictureHeight});
  platform->PumpEvents();
  const SDL_Surface* surface = SDL_GetWindowSurface(window);
  ASSERT_EQ(surface->w, 2 * kPictureWidth);
  // The band is on: the picture's bottom row is darker than drawn alone.
  const std::vector<uint32_t> first = whole();
  const size_t bottom = static_cast<size_t>(surface->h - 1) * surface->w;
  ASSERT_NE(first[bottom], picture[(kPictureHeight - 1) * kPictureWidth] & 0xFFFFFF);
  // A mark on the picture's top row and one in the band.
  constexpr uint32_t kMark = 0xFF00FF;
  const size_t marks[2] = {0, bottom + 1};
  const struct {
    const char* what;
    std::vector<int> rows;
    bool top_kept, band_kept;
  } cases[] = {{"the same picture", {}, true, true},
               {"a row above the band", {120}, true, true},
               {"the bottom row", {239}, true, false},
               {"the top and the bottom row", {0, 239}, false, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    for (const size_t at : marks) {
      static_cast<uint32_t*>(SDL_GetWindowSurface(window)->pixels)[at] = kMark;
    }
    for (const int y : c.rows) {
      for (int x = 0; x < kPictureWidth; x += 3) picture[y * kPictureWidth + x] ^= 0x303030;
    }
    platform->Show({picture.data(), kPictureWidth, kPictureHeight});
    std::vector<uint32_t> shown = pixels();
    EXPECT_EQ(shown[marks[0]] == kMark, c.top_kept);
    EXPECT_EQ(shown[marks[1]] == kMark, c.band_kept);
    const std::vector<uint32_t> expected = whole();
    for (const size_t at : marks) {
      if (shown[at] == kMark) shown[at] = expected[at];
    }
    int wrong = 0;
    for (size_t i = 0; i < shown.size(); ++i) wrong += shown[i] != expected[i];
    EXPECT_EQ(wrong, 0);
  }
}

// The prompts name the first key the settings give to confirming, as SDL
// names it, and the controller's button while it is in use.
TEST(ConfirmControlOf, TheFirstConfirmKeyOrTheControllersButton) {
  const struct {
    const char* confirm;
    bool controller;
    const char* name;
    bool button;
  } cases[] = {
      {"", false, "Z", false},  // the defaults
      {"space, Return", false, "Space", false},
      {"Keypad Enter, Z", false, "Keypad Enter", false},
      {"Comma", false, "Comma", false},
      {"x", false, "X", false},
      {"space", true, "A", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.confirm);
    const std::string text = *c.confirm ? std::string("key_confirm = ") + c.confirm + "\n" : "";
    const SettingsResult read = ParseSettings(text, "kolvar.conf", SdlKeyNames());
    ASSERT_TRUE(read.problems.empty()) << read.problems.front();
    const ConfirmControl got = ConfirmControlOf(read.settings, SdlKeyNames(), c.controller);
    EXPECT_EQ(got.name, c.name);
    EXPECT_EQ(got.button, c.button);
  }
}

}  // namespace
}  // namespace kolvar
