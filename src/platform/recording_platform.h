// Records a game as it is played: a layer between the game and the
// platform that plays it, forwarding everything and writing each event pass
// to a recording file (platform/recording.h) as the pass ends.
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "platform/platform.h"
#include "platform/recording.h"

namespace kolvar {

class RecordingPlatform final : public Platform {
 public:
  using Report = std::function<void(const std::string&)>;

  // Writes the recording to `file` (closed when this is destroyed; `name`
  // names it in messages). `header` gives the program version and stage
  // digests; the start clock, hi-score and Continue stage are asked of
  // `inner` here, once, and the header is written through to the file at
  // once (Failed() tells when it could not be). A write that fails is
  // reported once through `report` and the game plays on unrecorded.
  // `on_hiscore` is called each time the game keeps a new hi-score.
  RecordingPlatform(Platform& inner, std::FILE* file, std::string name, RecordingHeader header,
                    Report report, std::function<void()> on_hiscore = {});
  ~RecordingPlatform() override;

  // The clock as the last event pass left it: the game sees time move only
  // there, and the recording holds each step.
  uint32_t Clock() override { return now_; }
  uint16_t PollKey(Key key) override;
  bool PumpEvents() override;
  void Idle(uint32_t ms) override { inner_.Idle(ms); }
  void Show(PixelView picture) override { inner_.Show(picture); }
  MusicDevice& Music() override;
  int32_t LoadHiScore() override { return header_.hiscore; }
  void SaveHiScore(int32_t value) override;
  int32_t LoadContinueStage() override { return header_.continue_stage; }
  void SaveContinueStage(int32_t stage) override { inner_.SaveContinueStage(stage); }
  // Only the prompts' wording: nothing of it is recorded.
  ConfirmControl ConfirmKey() override { return inner_.ConfirmKey(); }
  void Notice(const std::string& message) override { inner_.Notice(message); }

  // A write has failed: from then on nothing more is recorded.
  bool Failed() const { return !error_.empty(); }

  // Play reads neither the pointer nor typed keys: they pass unrecorded.
  PointerState PollPointer() override { return inner_.PollPointer(); }
  std::vector<TypedKey> TakeTypedKeys() override { return inner_.TakeTypedKeys(); }
  void SetTyping(bool on) override { inner_.SetTyping(on); }

  // Flushes and closes the file; returns the first write error, if any.
  std::string Close();

 private:
  class MusicAnswers;
  void Answer(uint8_t what, uint8_t state);
  void Write(const std::string& bytes);
  void Flush();
  void Fail();

  Platform& inner_;
  std::FILE* file_;
  std::string name_;
  RecordingHeader header_;
  Report report_;
  std::function<void()> on_hiscore_;
  std::unique_ptr<MusicAnswers> music_;
  uint32_t now_ = 0;
  uint32_t last_sync_ = 0;
  uint32_t unanswered_ = 0;
  RecordedPass pass_;
  std::string buffer_;
  std::string error_;
};

}  // namespace kolvar
