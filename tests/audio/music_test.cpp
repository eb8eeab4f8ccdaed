#include "audio/music.h"

#include <gtest/gtest.h>

#include "pacing/pacing.h"
#include "support/test_game.h"

namespace kolvar {
namespace {

using testing::TestGame;

// Lets the music timer run for `seconds` seconds of virtual time.
void RunTimer(TestGame& t, int seconds) {
  Delay(t.game, 1000 * seconds);
}

TEST(MusicTimer, RestartsALoopingPieceFoundStopped) {
  TestGame t;
  OpenMusic(t.game, "main.mid");
  PlayMusic(t.game, kTrue);
  t.platform.music.log.clear();
  RunTimer(t, 2);
  EXPECT_EQ(t.platform.music.log, "");  // still playing: left alone

  t.platform.music.playing = false;  // the piece reaches its end
  RunTimer(t, 1);
  EXPECT_EQ(t.platform.music.log, "seek;play;");
  t.platform.music.playing = false;
  RunTimer(t, 1);
  EXPECT_EQ(t.platform.music.log, "seek;play;seek;play;");
}

TEST(MusicTimer, LeavesPiecesThatDoNotLoopAlone) {
  TestGame t;
  // A piece played once, ending.
  OpenMusic(t.game, "CLEAR.MID");
  PlayMusic(t.game, kFalse);
  t.platform.music.playing = false;
  // A looping piece stopped on purpose.
  TestGame u;
  OpenMusic(u.game, "main.mid");
  PlayMusic(u.game, kTrue);
  StopMusic(u.game);
  // A piece opened but never played.
  TestGame v;
  OpenMusic(v.game, "title.mid");
  for (TestGame* g : {&t, &u, &v}) {
    g->platform.music.log.clear();
    RunTimer(*g, 3);
    EXPECT_EQ(g->platform.music.log, "");
  }
  EXPECT_EQ(u.game.MusicLoop, kFalse);
}

TEST(Music, OpenClosesThePreviousPieceAndFindsNamesRegardlessOfCase) {
  TestGame t("/nonexistent-root");
  OpenMusic(t.game, "title.mid");
  PlayMusic(t.game, kTrue);
  OpenMusic(t.game, "CLEAR.MID");
  EXPECT_EQ(t.platform.music.log, "close;open title.mid;play;close;open CLEAR.MID;");
  // MusicLoop keeps the value of the last play until a new play or stop.
  EXPECT_EQ(t.game.MusicLoop, kTrue);
}

}  // namespace
}  // namespace kolvar
