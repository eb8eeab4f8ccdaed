#include "platform/recording_platform.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace kolvar {

// How often, in the game's milliseconds, what was written is pushed to the
// disk itself: flushing each pass keeps a killed game's recording whole up
// to its last pass; syncing now and then keeps it through a power cut
// without waking the disk a thousand times a second.
constexpr uint32_t kSyncPeriodMs = 1000;

// The music device passed through, with its "stopped" answers recorded.
class RecordingPlatform::MusicAnswers final : public MusicDevice {
 public:
  MusicAnswers(RecordingPlatform& owner, MusicDevice& inner) : owner_(owner), inner_(inner) {}
  void Close() override { inner_.Close(); }
  bool Open(const std::string& name) override { return inner_.Open(name); }
  void Play() override { inner_.Play(); }
  void Stop() override { inner_.Stop(); }
  void SeekToStart() override { inner_.SeekToStart(); }
  bool IsStopped() override {
    const bool stopped = inner_.IsStopped();
    owner_.Answer(kAnswerMusicStopped, stopped ? 1 : 0);
    return stopped;
  }

 private:
  RecordingPlatform& owner_;
  MusicDevice& inner_;
};

RecordingPlatform::RecordingPlatform(Platform& inner, std::FILE* file, std::string name,
                                     RecordingHeader header, Report report,
                                     std::function<void()> on_hiscore)
    : inner_(inner),
      file_(file),
      name_(std::move(name)),
      header_(std::move(header)),
      report_(std::move(report)),
      on_hiscore_(std::move(on_hiscore)),
      music_(std::make_unique<MusicAnswers>(*this, inner.Music())) {
  header_.format_version = kRecordingFormatVersion;
  header_.start_clock = now_ = last_sync_ = inner_.Clock();
  header_.hiscore = inner_.LoadHiScore();
  header_.continue_stage = inner_.LoadContinueStage();
  Write(EncodeHeader(header_));
  // A recording without its whole header is no recording: the caller is
  // told at once (Failed) and removes the file rather than leave it empty.
  Flush();
}

RecordingPlatform::~RecordingPlatform() {
  const std::string error = Close();
  if (!error.empty() && report_) report_(error);
}

MusicDevice& RecordingPlatform::Music() {
  return *music_;
}

void RecordingPlatform::Answer(uint8_t what, uint8_t state) {
  if (state == 0) {
    ++unanswered_;
    return;
  }
  pass_.answers.push_back({unanswered_, what, state});
  unanswered_ = 0;
}

uint16_t RecordingPlatform::PollKey(Key key) {
  const uint16_t answer = inner_.PollKey(key);
  Answer(static_cast<uint8_t>(key), KeyStateBits(answer));
  return answer;
}

bool RecordingPlatform::PumpEvents() {
  const bool close = inner_.PumpEvents();
  const uint32_t now = inner_.Clock();
  pass_.clock_step = now - now_;
  pass_.close = close;
  now_ = now;
  buffer_.clear();
  AppendPass(buffer_, pass_);
  pass_.answers.clear();
  unanswered_ = 0;
  Write(buffer_);
  Flush();
  if (file_ && error_.empty() && (now_ - last_sync_ >= kSyncPeriodMs || close)) {
    last_sync_ = now_;
    if (const int fd = fileno(file_); fd >= 0) fsync(fd);
  }
  return close;
}

void RecordingPlatform::SaveHiScore(int32_t value) {
  inner_.SaveHiScore(value);
  if (on_hiscore_) on_hiscore_();
}

void RecordingPlatform::Write(const std::string& bytes) {
  if (!file_ || !error_.empty()) return;
  if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) Fail();
}

void RecordingPlatform::Flush() {
  if (file_ && error_.empty() && std::fflush(file_) != 0) Fail();
}

// Keeps the first failure (with errno's word on it) and reports it, once.
void RecordingPlatform::Fail() {
  error_ = name_ + ": cannot write the recording: " + std::strerror(errno);
  if (report_) report_(error_ + "; the game plays on unrecorded");
}

std::string RecordingPlatform::Close() {
  if (!file_) return {};
  std::string error = error_;
  // A file that cannot be synced (a pipe, say), or a stream with no file
  // behind it, is not a failure.
  const int fd = fileno(file_);
  if (error.empty() &&
      (std::fflush(file_) != 0 || (fd >= 0 && fsync(fd) != 0 && errno != EINVAL))) {
    error = name_ + ": cannot write the recording: " + std::strerror(errno);
  }
  if (std::fclose(file_) != 0 && error.empty()) {
    error = name_ + ": cannot write the recording: " + std::strerror(errno);
  }
  file_ = nullptr;
  // A failure already reported while playing is not reported again.
  return error == error_ ? std::string() : error;
}

}  // namespace kolvar
