#include "platform/desktop/config_file.h"

#include <SDL.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "platform/sdl/sdl_key_names.h"
#include "support/scratch_folder.h"

namespace kolvar {
namespace {

namespace fs = std::filesystem;

std::vector<KeyCode> KeysOf(const Settings& s, Action a) {
  return s.keys[static_cast<int>(a)];
}

TEST(Settings, TheWrittenDefaultsReadBackAsTheDefaults) {
  const Settings defaults = DefaultSettings(SdlKeyNames());
  EXPECT_EQ(KeysOf(defaults, Action::Up), std::vector<KeyCode>{SDLK_UP});
  EXPECT_EQ(KeysOf(defaults, Action::Leave), std::vector<KeyCode>{SDLK_ESCAPE});
  EXPECT_EQ(KeysOf(defaults, Action::Confirm),
            (std::vector<KeyCode>{SDLK_z, SDLK_RETURN, SDLK_SPACE}));
  EXPECT_EQ(KeysOf(defaults, Action::Pause), (std::vector<KeyCode>{SDLK_p, SDLK_PAUSE}));
  EXPECT_EQ(KeysOf(defaults, Action::Fullscreen), std::vector<KeyCode>{SDLK_F11});
  EXPECT_EQ(KeysOf(defaults, Action::Screenshot), std::vector<KeyCode>{SDLK_F12});

  const SettingsResult read = ParseSettings(DefaultSettingsText(), "kolvar.conf", SdlKeyNames());
  EXPECT_TRUE(read.problems.empty()) << read.problems.front();
  EXPECT_EQ(read.settings.keys, defaults.keys);
  EXPECT_EQ(read.settings.scale, 0);
  EXPECT_FALSE(read.settings.fullscreen);
  EXPECT_EQ(read.settings.music_volume, 100);
  EXPECT_EQ(read.settings.stages, "");
  EXPECT_EQ(read.settings.share_site, "http://localhost:8000/");
}

TEST(Settings, RemappedKeysAndValuesTakeEffect) {
  const SettingsResult read = ParseSettings(
      "# mine\n"
      "key_up = W, Keypad 8   # two keys\n"
      "key_confirm=space\n"
      "KEY_LEAVE = Backspace\n"
      "key_pause = Comma\n"
      "scale = 4\n"
      "fullscreen = yes\n"
      "music_volume = 35\n"
      "stages = deep-halls\n"
      "soundfont = ~/sf2/My Font.sf2\n"
      "share_site = https://example.org/kolvar/?edit\n",
      "kolvar.conf", SdlKeyNames());
  EXPECT_TRUE(read.problems.empty()) << read.problems.front();
  const Settings& s = read.settings;
  EXPECT_EQ(KeysOf(s, Action::Up), (std::vector<KeyCode>{SDLK_w, SDLK_KP_8}));
  EXPECT_EQ(KeysOf(s, Action::Confirm), std::vector<KeyCode>{SDLK_SPACE});
  EXPECT_EQ(KeysOf(s, Action::Leave), std::vector<KeyCode>{SDLK_BACKSPACE});
  EXPECT_EQ(KeysOf(s, Action::Pause), std::vector<KeyCode>{SDLK_COMMA});
  EXPECT_EQ(KeysOf(s, Action::Down), std::vector<KeyCode>{SDLK_DOWN});  // untouched
  EXPECT_EQ(ActionOfKey(s, SDLK_KP_8), Action::Up);
  EXPECT_EQ(ActionOfKey(s, SDLK_z), std::nullopt);  // Z no longer confirms
  EXPECT_EQ(s.scale, 4);
  EXPECT_TRUE(s.fullscreen);
  EXPECT_EQ(s.music_volume, 35);
  EXPECT_EQ(s.stages, "deep-halls");
  EXPECT_EQ(s.stages_line, 9);  // what a pack that cannot be played is reported on
  EXPECT_EQ(s.soundfont, "~/sf2/My Font.sf2");
  EXPECT_EQ(s.share_site, "https://example.org/kolvar/?edit");
}

TEST(Settings, ABadLineIsReportedWithFileAndLineAndKeepsItsDefault) {
  const struct {
    std::string line;
    const char* says;
  } cases[] = {
      // Bytes that are no text are shown as \xNN, and refused: a NUL would
      // end the name where SDL reads it, and bytes that are not UTF-8 name
      // keys no keyboard has.
      {std::string("key_up = W\0S", 12), "key_up: no key is named 'W\\x00S'"},
      {"key_up = \x1B[31mRed", "no key is named '\\x1B[31mRed'"},
      {"key_up = \xFF", "key_up: the key name '\\xFF' is not valid UTF-8"},
      {"key_up = Up, \xC3", "key_up: the key name '\\xC3' is not valid UTF-8"},
      {"key_up = \xC2\x9B", "no key is named '\\xC2\\x9B'"},
      {"jump\x07 = Space", "no setting named 'jump\\x07'"},
      {"scale = 2\x1B", "not '2\\x1B'"},
      {"\x1B]0;title\x07", "found '\\x1B]0;title\\x07'"},
      {"key_up = Hyperdrive", "no key is named 'Hyperdrive'"},
      {"key_up =", "key_up names no key"},
      {"key_up = Up,, W", "no key is named ''"},
      {"jump = Space", "no setting named 'jump'"},
      {"key_up Up", "expected \"name = value\""},
      {"scale = 0", "scale must be auto or a whole number from 1 to 8, not '0'"},
      {"scale = big", "not 'big'"},
      {"scale = 9", "not '9'"},
      {"music_volume = 101", "music_volume must be a whole number from 0 to 100"},
      {"music_volume = -5", "not '-5'"},
      {"fullscreen = maybe", "fullscreen must be yes or no"},
      {"stages =", "stages names no pack; using the default (the game's own stages)"},
      {"soundfont =", "soundfont names no file"},
      {"share_site = example.org", "share_site must be an http:// or https:// address"},
      {"share_site = http://my site/", "not 'http://my site/'; using the default (http://"},
      {"key_left = Z", "key_left: Z is already the key of key_confirm; using the default (Left)"},
  };
  for (const auto& c : cases) {
    const SettingsResult read = ParseSettings(std::string("# mine\n\n") + c.line + "\n",
                                              "/home/u/kolvar.conf", SdlKeyNames());
    ASSERT_EQ(read.problems.size(), 1u) << c.line;
    EXPECT_EQ(read.problems[0].rfind("/home/u/kolvar.conf:3: ", 0), 0u) << read.problems[0];
    EXPECT_NE(read.problems[0].find(c.says), std::string::npos) << read.problems[0];
    for (char byte : read.problems[0]) {
      EXPECT_FALSE(static_cast<unsigned char>(byte) < 0x20) << read.problems[0];
    }
    EXPECT_EQ(read.settings.scale, 0) << c.line;
    const Settings defaults = DefaultSettings(SdlKeyNames());
    EXPECT_EQ(read.settings.keys, defaults.keys) << c.line;
    EXPECT_EQ(read.settings.music_volume, 100) << c.line;
    EXPECT_FALSE(read.settings.fullscreen) << c.line;
    EXPECT_EQ(read.settings.stages, "") << c.line;
    EXPECT_EQ(read.settings.soundfont, "") << c.line;
    EXPECT_EQ(read.settings.share_site, kDefaultShareSite) << c.line;
  }
}

TEST(Settings, AByteOrderMarkAndCrLfLineEndsAreNoPartOfTheSettings) {
  const SettingsResult read =
      ParseSettings("\xEF\xBB\xBFkey_up = W\r\nscale = 2\r\n", "f", SdlKeyNames());
  EXPECT_TRUE(read.problems.empty()) << read.problems.front();
  EXPECT_EQ(KeysOf(read.settings, Action::Up), std::vector<KeyCode>{SDLK_w});
  EXPECT_EQ(read.settings.scale, 2);
}

TEST(Settings, ASettingSetTwiceNamesTheLineThatCounts) {
  const SettingsResult read = ParseSettings(
      "scale = 2\nkey_up = W\n\nSCALE = 3\nkey_up = X\nmusic_volume = 5\nmusic_volume = 6\n", "f",
      SdlKeyNames());
  EXPECT_EQ(read.problems, (std::vector<std::string>{
                               "f:4: scale is set twice; line 1 counts and this one is ignored",
                               "f:5: key_up is set twice; line 2 counts and this one is ignored",
                               "f:7: music_volume is set twice; line 6 counts and this one is "
                               "ignored"}));
  EXPECT_EQ(read.settings.scale, 2);
  EXPECT_EQ(KeysOf(read.settings, Action::Up), std::vector<KeyCode>{SDLK_w});
  EXPECT_EQ(read.settings.music_volume, 5);
}

TEST(Settings, SwappedKeysAreNoClashButASecondJobIs) {
  const SettingsResult swapped =
      ParseSettings("key_up = Z\nkey_confirm = Up\n", "f", SdlKeyNames());
  EXPECT_TRUE(swapped.problems.empty());
  EXPECT_EQ(ActionOfKey(swapped.settings, SDLK_z), Action::Up);
  EXPECT_EQ(ActionOfKey(swapped.settings, SDLK_UP), Action::Confirm);

  // X gets a second job on line 3, which falls back to Left; then Left is
  // the key of two things, and line 1 falls back too.
  const SettingsResult clash =
      ParseSettings("key_up = Left\nkey_confirm = X\nkey_left = X\n", "f", SdlKeyNames());
  ASSERT_EQ(clash.problems.size(), 2u);
  EXPECT_EQ(clash.problems[0],
            "f:3: key_left: X is already the key of key_confirm; using the default (Left)");
  EXPECT_EQ(clash.problems[1],
            "f:1: key_up: Left is already the key of key_left; using the default (Up)");
  EXPECT_EQ(ActionOfKey(clash.settings, SDLK_x), Action::Confirm);
  EXPECT_EQ(ActionOfKey(clash.settings, SDLK_UP), Action::Up);
}

// Return and Space joined Z as confirm keys after files giving them other
// jobs were written: such a file still means what it meant, quietly. A
// file that names them for confirming itself has them clash as any key.
TEST(Settings, TheSpareConfirmKeysGiveWayToAFileThatUsesThem) {
  const struct {
    const char* text;
    std::vector<KeyCode> confirm;
    std::optional<Action> space, enter;
    const char* problem;  // the one problem reported, if any
  } cases[] = {
      {"key_pause = Space\n", {SDLK_z, SDLK_RETURN}, Action::Pause, Action::Confirm, ""},
      {"key_leave = Return\nkey_up = Space\n", {SDLK_z}, Action::Up, Action::Leave, ""},
      // A clash sends confirm back to its defaults, which give way again.
      {"key_confirm = Up\nkey_pause = Space\n",
       {SDLK_z, SDLK_RETURN},
       Action::Pause,
       Action::Confirm,
       "f:1: key_confirm: Up is already the key of key_up; using the default (Z, Return, Space)"},
      {"key_confirm = Z, Return, Space\nkey_pause = Space\n",
       {SDLK_z, SDLK_RETURN, SDLK_SPACE},
       Action::Confirm,
       Action::Confirm,
       "f:2: key_pause: Space is already the key of key_confirm; using the default (P, Pause)"},
      {"key_confirm = X\n", {SDLK_x}, std::nullopt, std::nullopt, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const SettingsResult read = ParseSettings(c.text, "f", SdlKeyNames());
    EXPECT_EQ(read.problems,
              *c.problem ? std::vector<std::string>{c.problem} : std::vector<std::string>{});
    EXPECT_EQ(KeysOf(read.settings, Action::Confirm), c.confirm);
    EXPECT_EQ(ActionOfKey(read.settings, SDLK_SPACE), c.space);
    EXPECT_EQ(ActionOfKey(read.settings, SDLK_RETURN), c.enter);
  }
}

TEST(Settings, TheFileIsWrittenWithDefaultsOnTheFirstStart) {
  const testing::ScratchFolder scratch("kolvar_settings");
  const fs::path dir = scratch / "config";
  fs::remove_all(dir);
  const std::string path = (dir / "kolvar" / "kolvar.conf").string();
  const SettingsResult first = LoadSettings(path, SdlKeyNames());
  EXPECT_TRUE(first.problems.empty());
  EXPECT_TRUE(first.first_start);
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(), DefaultSettingsText());

  std::string edited = text.str();
  edited.replace(edited.find("music_volume = 100"), 18, "music_volume = 20");
  edited.replace(edited.find("key_up = Up"), 11, "key_up = Nothing");
  std::ofstream(path) << edited;
  const SettingsResult second = LoadSettings(path, SdlKeyNames());
  EXPECT_FALSE(second.first_start);
  EXPECT_EQ(second.settings.music_volume, 20);
  ASSERT_EQ(second.problems.size(), 1u);
  EXPECT_EQ(second.problems[0].rfind(path + ":", 0), 0u);

  // Nowhere to write it: reported, and the game plays with the defaults.
  const SettingsResult nowhere = LoadSettings(path + "/below/a/file.conf", SdlKeyNames());
  ASSERT_EQ(nowhere.problems.size(), 1u);
  EXPECT_NE(nowhere.problems[0].find("playing with the default settings"), std::string::npos);
  EXPECT_FALSE(nowhere.first_start);  // nothing kept to say the next start is none
  EXPECT_EQ(nowhere.settings.keys, DefaultSettings(SdlKeyNames()).keys);
  fs::remove_all(dir);
}

// What is no settings file is refused at once with the reason, and the game
// plays with the defaults: nothing blocks on a FIFO or reads a device until
// the memory runs out.
TEST(Settings, WhatCannotBeReadIsRefusedWithTheReason) {
  const testing::ScratchFolder scratch("kolvar_settings_faults");
  const fs::path dir = scratch / "config";
  fs::remove_all(dir);
  fs::create_directories(dir / "folder.conf");
  ASSERT_EQ(mkfifo((dir / "fifo.conf").c_str(), 0644), 0);
  fs::create_symlink("/dev/zero", dir / "zero.conf");
  std::ofstream(dir / "big.conf") << std::string(64 * 1024 + 1, '#');
  std::ofstream(dir / "at_cap.conf") << "scale = 3\n" << std::string(64 * 1024 - 10, '#');
  const struct {
    const char* name;
    std::string says;  // empty: read
  } cases[] = {
      {"folder.conf", "is a directory, not a file, so it holds no settings"},
      {"fifo.conf", "is a FIFO, not a file, so it holds no settings"},
      {"zero.conf", "is a character device, not a file, so it holds no settings"},
      {"big.conf",
       "cannot read the settings: the file is larger than 65536 bytes, far more than settings "
       "take"},
      {"at_cap.conf", ""},
  };
  for (const auto& c : cases) {
    const std::string path = (dir / c.name).string();
    const SettingsResult read = LoadSettings(path, SdlKeyNames());
    if (c.says.empty()) {
      EXPECT_TRUE(read.problems.empty()) << read.problems.front();
      EXPECT_EQ(read.settings.scale, 3);
      continue;
    }
    EXPECT_EQ(read.problems, std::vector<std::string>{path + ": " + c.says +
                                                      "; playing with the default settings"});
    EXPECT_EQ(read.settings.keys, DefaultSettings(SdlKeyNames()).keys);
  }
  EXPECT_TRUE(fs::is_fifo(dir / "fifo.conf"));
  fs::remove_all(dir);
}

// A write of the defaults killed part-way leaves a temporary; the next
// start removes it once it is a minute old (younger, it may be another
// game's write in progress). Files that are not such a part stay.
TEST(Settings, StaleTemporariesOfTheDefaultsAreRemoved) {
  const testing::ScratchFolder scratch("kolvar_settings_tmp");
  const fs::path dir = scratch / "config";
  fs::remove_all(dir);
  fs::create_directories(dir);
  const std::string part = DefaultSettingsText().substr(0, 100);
  const struct {
    const char* name;
    std::string bytes;
    int age_seconds;
    bool removed;
  } files[] = {
      {"kolvar.conf.Ab12Cd.tmp", part, 120, true},
      {"kolvar.conf.Xy98Zw", "", 120, true},
      {"kolvar.conf.Qq11Ww.tmp", part, 5, false},
      {"kolvar.conf.backup", part, 120, false},
      {"kolvar.conf.Ee22Rr.tmp", "key_up = W\n", 120, false},
  };
  for (const auto& f : files) {
    std::ofstream(dir / f.name) << f.bytes;
    fs::permissions(dir / f.name, fs::perms(0600));  // as mkstemp makes them
    fs::last_write_time(dir / f.name,
                        fs::file_time_type::clock::now() - std::chrono::seconds(f.age_seconds));
  }
  fs::permissions(dir / "kolvar.conf.backup", fs::perms(0644));  // a copy the user made
  LoadSettings((dir / "kolvar.conf").string(), SdlKeyNames());
  for (const auto& f : files) EXPECT_EQ(fs::exists(dir / f.name), !f.removed) << f.name;
  fs::remove_all(dir);
}

// A settings file that is a link (into a dotfiles folder, say) is read and
// written through; the link stays.
TEST(Settings, ALinkedFileIsWrittenThroughAndRead) {
  const testing::ScratchFolder scratch("kolvar_settings_link");
  const fs::path dir = scratch / "home";
  fs::remove_all(dir);
  fs::create_directories(dir / "dotfiles");
  fs::create_directories(dir / "config");
  const fs::path link = dir / "config" / "kolvar.conf";
  fs::create_symlink("../dotfiles/kolvar.conf", link);
  const SettingsResult first = LoadSettings(link.string(), SdlKeyNames());
  EXPECT_TRUE(first.problems.empty()) << first.problems.front();
  EXPECT_TRUE(fs::is_symlink(link));
  std::ifstream in(dir / "dotfiles" / "kolvar.conf");
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(), DefaultSettingsText());
  std::ofstream(dir / "dotfiles" / "kolvar.conf") << "scale = 5\n";
  EXPECT_EQ(LoadSettings(link.string(), SdlKeyNames()).settings.scale, 5);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace kolvar
