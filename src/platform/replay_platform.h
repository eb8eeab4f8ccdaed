// Plays a recording again: a layer between the game and a platform that
// answers the game's clock, keys, close request and music "stopped"
// questions from the recording (platform/recording.h), and passes the
// pictures and the music's playing on to the platform below (the window
// to watch, or the headless runner).
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/platform.h"
#include "platform/recording.h"

namespace kolvar {

struct ReplayOptions {
  // The recording's name in messages.
  std::string name;
  // Watching: the replay keeps to the platform's own clock (at `speed`
  // times the recorded pace), and the platform's Esc stops it. Otherwise
  // the replay runs as fast as it can.
  bool paced = false;
  int speed = 1;
  // Asked at each event pass while watching: 0, or the speed wanted now.
  std::function<int()> speed_request;
};

class ReplayPlatform final : public Platform {
 public:
  // `reader` has read `header` already. `inner`'s own clock is only used
  // for pacing.
  ReplayPlatform(Platform& inner, RecordingReader reader, const RecordingHeader& header,
                 ReplayOptions options);
  ~ReplayPlatform() override;

  uint32_t Clock() override { return now_; }
  uint16_t PollKey(Key key) override;
  // Throws std::runtime_error when the game asked other questions than the
  // recorded game did (it went another way).
  bool PumpEvents() override;
  void Idle(uint32_t) override {}
  void Show(PixelView picture) override { inner_.Show(picture); }
  MusicDevice& Music() override;
  // A replay starts from the recorded hi-score and Continue stage and
  // keeps nothing: watching a game is not playing one.
  int32_t LoadHiScore() override { return hiscore_; }
  int32_t LoadContinueStage() override { return continue_stage_; }
  void Notice(const std::string& message) override { inner_.Notice(message); }

  // How the replay ended, for after the game's close: empty when the
  // recording ended with its close request (or the viewer stopped it),
  // else a line saying where and why it stopped early.
  const std::string& EndNote() const { return end_note_; }
  // True when the recording holds bytes no recorder writes.
  bool Corrupt() const { return corrupt_; }

 private:
  class MusicAnswers;
  uint8_t Ask(uint8_t what);
  [[noreturn]] void Diverged(const std::string& what);
  void LoadNextPass();
  bool WaitForRecordedTime(uint32_t target);

  Platform& inner_;
  RecordingReader reader_;
  ReplayOptions options_;
  std::unique_ptr<MusicAnswers> music_;
  int32_t hiscore_;
  int32_t continue_stage_;
  uint32_t now_;
  RecordedPass pass_;
  bool have_pass_ = false;
  size_t next_answer_ = 0;
  uint32_t asked_ = 0;
  uint64_t passes_ = 0;
  bool paced_started_ = false;
  uint32_t base_real_ = 0, base_replay_ = 0;
  std::string end_note_;
  bool corrupt_ = false;
};

}  // namespace kolvar
