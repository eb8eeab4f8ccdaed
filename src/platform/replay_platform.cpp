#include "platform/replay_platform.h"

#include <algorithm>
#include <stdexcept>

namespace kolvar {

namespace {

// The longest the watch waits without looking at the window: a recorded
// clock step may be seconds long (a game stopped and resumed) or, in a
// crafted file, hours, and Esc, the close button and a signal to stop are
// answered between two slices.
constexpr uint32_t kWatchSliceMs = 20;
// What a slice leaves for the last stretch, where the window's own short
// naps keep to the millisecond.
constexpr uint64_t kWatchLastStretchMs = 2;

const char* Subject(uint8_t what) {
  static const char* const kNames[] = {"the Up key",   "the Right key", "the Down key",
                                       "the Left key", "the Esc key",   "the Z key",
                                       "the music"};
  return what <= kAnswerMusicStopped ? kNames[what] : "something unknown";
}

}  // namespace

class ReplayPlatform::MusicAnswers final : public MusicDevice {
 public:
  MusicAnswers(ReplayPlatform& owner, MusicDevice& inner) : owner_(owner), inner_(inner) {}
  void Close() override { inner_.Close(); }
  bool Open(const std::string& name) override { return inner_.Open(name); }
  void Play() override { inner_.Play(); }
  void Stop() override { inner_.Stop(); }
  void SeekToStart() override { inner_.SeekToStart(); }
  bool IsStopped() override { return owner_.Ask(kAnswerMusicStopped) != 0; }

 private:
  ReplayPlatform& owner_;
  MusicDevice& inner_;
};

ReplayPlatform::ReplayPlatform(Platform& inner, RecordingReader reader,
                               const RecordingHeader& header, ReplayOptions options)
    : inner_(inner),
      reader_(std::move(reader)),
      options_(std::move(options)),
      music_(std::make_unique<MusicAnswers>(*this, inner.Music())),
      hiscore_(header.hiscore),
      continue_stage_(header.continue_stage),
      now_(header.start_clock) {
  if (options_.speed < 1) options_.speed = 1;
  LoadNextPass();
}

ReplayPlatform::~ReplayPlatform() = default;

MusicDevice& ReplayPlatform::Music() {
  return *music_;
}

void ReplayPlatform::LoadNextPass() {
  const RecordingReader::Result result = reader_.Next(pass_);
  next_answer_ = 0;
  asked_ = 0;
  have_pass_ = result == RecordingReader::Result::kPass;
  if (have_pass_) return;
  pass_ = {};
  const std::string where = "replayed up to t=" + std::to_string(now_) + " ms (" +
                            std::to_string(passes_) + " event passes)";
  switch (result) {
    case RecordingReader::Result::kEnd:
      end_note_ = options_.name + ": the recording ends without the window's close (the game " +
                  "was cut off there); " + where;
      break;
    case RecordingReader::Result::kTruncated:
      end_note_ = options_.name + ": the recording is cut short inside a record at byte " +
                  std::to_string(reader_.offset()) + " of " + std::to_string(reader_.size()) +
                  "; " + where;
      break;
    case RecordingReader::Result::kCorrupt:
      corrupt_ = true;
      end_note_ = options_.name + ": corrupt record at byte " + std::to_string(reader_.offset()) +
                  " (" + reader_.fault() + "); " + where;
      break;
    case RecordingReader::Result::kPass:
      break;
  }
}

uint8_t ReplayPlatform::Ask(uint8_t what) {
  if (next_answer_ < pass_.answers.size()) {
    const RecordedAnswer& answer = pass_.answers[next_answer_];
    if (asked_ == answer.skipped) {
      if (answer.what != what) {
        Diverged(std::string("it asked about ") + Subject(what) +
                 " where the recorded game asked about " + Subject(answer.what));
      }
      ++next_answer_;
      asked_ = 0;
      return answer.state;
    }
  }
  ++asked_;
  return 0;
}

void ReplayPlatform::Diverged(const std::string& what) {
  throw std::runtime_error(
      options_.name + ": the replay went another way than the recorded game at t=" +
      std::to_string(now_) + " ms (event pass " + std::to_string(passes_ + 1) + "): " + what);
}

uint16_t ReplayPlatform::PollKey(Key key) {
  return KeyAnswer(Ask(static_cast<uint8_t>(key)));
}

bool ReplayPlatform::WaitForRecordedTime(uint32_t target) {
  for (;;) {
    if (inner_.PumpEvents()) return false;
    // Esc stops watching; a speed asked for counts from now on.
    if (inner_.PollKey(Key::Esc) != 0) return false;
    const uint32_t real = inner_.Clock();
    if (!paced_started_) {
      paced_started_ = true;
      base_real_ = real;
      base_replay_ = now_;
    }
    if (options_.speed_request) {
      const int speed = options_.speed_request();
      if (speed > 0 && speed != options_.speed) {
        base_real_ = real;
        base_replay_ = now_;
        options_.speed = speed;
      }
    }
    const uint64_t due = target - base_replay_;
    const uint64_t played = uint64_t{real - base_real_} * static_cast<uint64_t>(options_.speed);
    if (played >= due) return true;
    const uint64_t wait = (due - played) / static_cast<uint64_t>(options_.speed);
    inner_.Idle(wait > kWatchLastStretchMs ? static_cast<uint32_t>(std::min<uint64_t>(
                                                 wait - kWatchLastStretchMs, kWatchSliceMs))
                                           : 0);
  }
}

bool ReplayPlatform::PumpEvents() {
  if (!have_pass_) return true;
  if (next_answer_ < pass_.answers.size()) {
    Diverged("it asked fewer questions than the recorded game before the window's events");
  }
  const uint32_t target = now_ + pass_.clock_step;
  if (options_.paced) {
    if (!WaitForRecordedTime(target)) {
      have_pass_ = false;
      return true;
    }
    now_ = target;
  } else {
    now_ = target;
    // The headless runner below takes its screenshots and its --quit-at
    // by this clock.
    if (inner_.PumpEvents()) {
      have_pass_ = false;
      return true;
    }
  }
  ++passes_;
  const bool close = pass_.close;
  if (close) {
    have_pass_ = false;
    return true;
  }
  LoadNextPass();
  return !have_pass_;
}

}  // namespace kolvar
