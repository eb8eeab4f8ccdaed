#include "platform/headless/headless_platform.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <vector>

#include "platform/desktop/png_writer.h"
#include "support/scratch_folder.h"

namespace kolvar {
namespace {

HeadlessOptions WithScript(const std::string& script) {
  HeadlessOptions options;
  options.script = ParseInputScript(script, "in.txt");
  return options;
}

void AdvanceTo(HeadlessPlatform& p, uint32_t ms) {
  while (p.Clock() < ms) p.PumpEvents();
}

TEST(KeyPoll, TapBetweenPollsCountsOnceHeldKeyKeepsBit15) {
  HeadlessPlatform p(WithScript("5 z down\n6 z up\n20 left down\n"));
  EXPECT_EQ(p.PollKey(Key::Z), 0);
  AdvanceTo(p, 10);
  EXPECT_EQ(p.PollKey(Key::Z), 0x0001);  // pressed and released between polls
  EXPECT_EQ(p.PollKey(Key::Z), 0);       // counted once
  AdvanceTo(p, 25);
  EXPECT_EQ(p.PollKey(Key::Left), 0x8001);
  EXPECT_EQ(p.PollKey(Key::Left), 0x8000);  // still down, no new press
  EXPECT_EQ(p.PollKey(Key::Right), 0);
}

TEST(KeyPoll, EachKeyKeepsItsOwnPressUntilPolled) {
  HeadlessPlatform p(WithScript("1 up down\n1 esc down\n2 up up\n2 esc up\n"));
  AdvanceTo(p, 3);
  EXPECT_EQ(p.PollKey(Key::Up), 1);
  AdvanceTo(p, 50);
  // Esc was pressed long ago and never polled: the press is still there,
  // which is why the game flushes keys at fixed points.
  EXPECT_EQ(p.PollKey(Key::Esc), 1);
  EXPECT_EQ(p.PollKey(Key::Esc), 0);
}

TEST(KeyPoll, LinesAtThePollTimeAreSeen) {
  HeadlessPlatform p(WithScript("3 right down\n"));
  AdvanceTo(p, 2);
  EXPECT_EQ(p.PollKey(Key::Right), 0);
  AdvanceTo(p, 3);
  EXPECT_EQ(p.PollKey(Key::Right), 0x8001);
}

TEST(HeadlessClock, MovesOneMillisecondPerEventPassAndCloses) {
  HeadlessOptions options = WithScript("4 close\n");
  HeadlessPlatform p(std::move(options));
  EXPECT_EQ(p.Clock(), 0u);
  EXPECT_FALSE(p.PumpEvents());
  EXPECT_EQ(p.Clock(), 1u);
  p.Idle(100);
  p.PollKey(Key::Z);
  EXPECT_EQ(p.Clock(), 1u);
  EXPECT_FALSE(p.PumpEvents());
  EXPECT_FALSE(p.PumpEvents());
  EXPECT_TRUE(p.PumpEvents());
  EXPECT_EQ(p.Clock(), 4u);

  HeadlessOptions quit;
  quit.quit_at = 2;
  HeadlessPlatform q(std::move(quit));
  EXPECT_FALSE(q.PumpEvents());
  EXPECT_TRUE(q.PumpEvents());
}

// A shot holds the picture last shown at or before its time, though the
// platform copies pictures only while a shot is still to be taken.
TEST(Screenshot, HoldsThePictureShownLastBeforeItsTime) {
  namespace fs = std::filesystem;
  const testing::ScratchFolder scratch("kolvar_headless_shot_test");
  const fs::path dir = scratch / "shots";
  fs::create_directories(dir);
  const auto bytes = [](const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), {});
  };
  std::vector<uint32_t> picture(4, 0x112233);
  const PixelView view{picture.data(), 2, 2};
  HeadlessOptions options;
  options.shots = {{5, (dir / "at5.png").string()}};
  {
    HeadlessPlatform p(std::move(options));
    AdvanceTo(p, 3);
    p.Show(view);
    picture.assign(4, 0x445566);  // drawn after the show: not in the shot
    AdvanceTo(p, 5);
    p.Show(view);  // shown at 5: in the shot
    const std::vector<uint32_t> at_five = picture;
    picture.assign(4, 0x778899);
    AdvanceTo(p, 6);  // the shot is written
    p.Show(view);     // no shot is left to take: this show is not copied
    EXPECT_EQ(p.LastShown(), at_five);
    EXPECT_EQ(p.shows(), 3);
  }
  picture.assign(4, 0x445566);
  ASSERT_EQ(WritePng((dir / "expected.png").string(), view), "");
  EXPECT_EQ(bytes(dir / "at5.png"), bytes(dir / "expected.png"));
  fs::remove_all(dir);
}

TEST(InputScript, CommentsBlankLinesAndOrder) {
  const auto lines =
      ParseInputScript("# walk\n\n200 z up   # release\n100 z down\n  300 close\n", "in.txt");
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].ms, 100u);
  EXPECT_EQ(lines[0].action, ScriptLine::Action::kDown);
  EXPECT_EQ(lines[1].action, ScriptLine::Action::kUp);
  EXPECT_EQ(lines[2].action, ScriptLine::Action::kClose);
}

// The pointer and typed keys of a script reach the platform's polls at
// their times: a click between two looks is pressed and released, a held
// drag stays down, "type" keeps a '#', "press" names a key.
TEST(InputScript, PointerAndTypingLines) {
  HeadlessOptions options;
  options.script = ParseInputScript(
      "10 pointer 5 6 down\n10 pointer 7 8 up\n20 touch 319 239 down\n25 touch 100 50\n"
      "30 type a #b \n30 press ctrl+Z\n30 press F12\n",
      "in.txt");
  HeadlessPlatform p(std::move(options));
  AdvanceTo(p, 10);
  const PointerState click = p.PollPointer();
  EXPECT_TRUE(click.seen && click.pressed && click.released && !click.down);
  EXPECT_EQ(std::make_pair(click.x, click.y), std::make_pair(7, 8));
  EXPECT_FALSE(p.PollPointer().pressed);  // a look takes the press
  AdvanceTo(p, 25);
  const PointerState drag = p.PollPointer();
  EXPECT_TRUE(drag.pressed && drag.down && drag.touch && !drag.released);
  EXPECT_EQ(std::make_pair(drag.x, drag.y), std::make_pair(100, 50));
  EXPECT_TRUE(p.TakeTypedKeys().empty());
  AdvanceTo(p, 30);
  EXPECT_EQ(p.TakeTypedKeys(), (std::vector<TypedKey>{"a", " ", "#", "b", " ", "Ctrl+z", "F12"}));
  EXPECT_TRUE(p.TakeTypedKeys().empty());
}

TEST(InputScript, MalformedLinesNameTheFileAndLine) {
  const std::pair<std::string, std::string> bad[] = {
      {"100 z sideways\n", "in.txt:1: expected 'down' or 'up'"},
      {"\n\nabc z down\n", "in.txt:3: expected a time"},
      {"10 space down\n", "in.txt:1: unknown key 'space'"},
      {"10 z\n", "in.txt:1: expected 'MS KEY down'"},
      {"-5 z down\n", "in.txt:1: expected a time"},
      // Bytes that are not printable text are shown as \xNN, whole.
      {std::string("10 z\0x down\n", 12), "in.txt:1: unknown key 'z\\x00x'"},
      {"10 \x1b[2J down\n", "in.txt:1: unknown key '\\x1B[2J'"},
      {"1\xff z down\n", "in.txt:1: expected a time in milliseconds, found '1\\xFF'"},
      {"10 pointer 320 5\n", "in.txt:1: expected a pixel of the picture"},
      {"10 touch 5 -1 down\n", "in.txt:1: expected a pixel of the picture"},
      {"10 pointer 5 5 sideways\n", "in.txt:1: expected 'down' or 'up'"},
      {"10 press enterr\n", "in.txt:1: unknown key 'enterr'"},
      {"10 press ctrl+1\n", "in.txt:1: unknown key 'ctrl+1'"},
      {"x type abc\n", "in.txt:1: expected a time"},
      {"10 type caf\xc3\xa9\n", "in.txt:1: a type line types printable ASCII only"},
  };
  for (const auto& [text, message] : bad) {
    try {
      ParseInputScript(text, "in.txt");
      ADD_FAILURE() << "accepted: " << text;
    } catch (const std::invalid_argument& e) {
      EXPECT_EQ(std::string(e.what()).rfind(message, 0), 0u) << e.what();
    }
  }
}

TEST(InputScript, FilesThatCannotBeReadAreErrors) {
  namespace fs = std::filesystem;
  const testing::ScratchFolder scratch("kolvar_script_test");
  const fs::path dir = scratch / "scripts";
  fs::create_directories(dir);
  std::ofstream(dir / "good.in") << "5 z down\n";
  EXPECT_EQ(ReadInputScript((dir / "good.in").string()).size(), 1u);
  const std::pair<std::string, std::string> bad[] = {
      {dir.string(), ": cannot read the input script: Is a directory"},
      {(dir / "missing.in").string(), ": cannot read the input script: No such file or directory"},
  };
  for (const auto& [path, fault] : bad) {
    try {
      ReadInputScript(path);
      ADD_FAILURE() << "read: " << path;
    } catch (const std::invalid_argument& e) {
      EXPECT_EQ(std::string(e.what()), path + fault);
    }
  }
  fs::remove_all(dir);
}

}  // namespace
}  // namespace kolvar
