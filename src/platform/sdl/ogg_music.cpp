#include "platform/sdl/ogg_music.h"

#include <SDL.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <fstream>
#include <iterator>
#include <utility>
#include <vector>

#include "platform/data_files.h"
#include "platform/midi_file.h"
#include "platform/regular_file.h"
#include "platform/sdl/audio_output.h"
#include "platform/sdl/synth_render.h"

namespace kolvar {
namespace {

constexpr int kSampleRate = kSynthSampleRate;  // the rate oggc renders at
constexpr Uint16 kBufferFrames = 1024;         // about 23 ms a callback
// A stop, rewind or close fades what sounds out over 40 ms instead of
// cutting it (a click), about as quickly as the synthesizer's notes
// release.
constexpr int kFadeFrames = kSampleRate / 25;

// The most a rendered piece may weigh: a theme of a few minutes is a few
// megabytes.
constexpr size_t kMaxRenderedBytes = 64u << 20;

// libvorbisfile reads the piece from memory: the whole file is read at
// Open, so the audio thread never waits for the disk.
struct MemoryFile {
  std::string bytes;
  size_t at = 0;

  static size_t Read(void* into, size_t size, size_t count, void* source) {
    auto* self = static_cast<MemoryFile*>(source);
    const size_t n = std::min(size * count, self->bytes.size() - self->at);
    std::memcpy(into, self->bytes.data() + self->at, n);
    self->at += n;
    return size == 0 ? 0 : n / size;
  }
  static int Seek(void* source, ogg_int64_t offset, int whence) {
    auto* self = static_cast<MemoryFile*>(source);
    const ogg_int64_t base = whence == SEEK_SET   ? 0
                             : whence == SEEK_CUR ? static_cast<ogg_int64_t>(self->at)
                                                  : static_cast<ogg_int64_t>(self->bytes.size());
    const ogg_int64_t to = base + offset;
    if (to < 0 || to > static_cast<ogg_int64_t>(self->bytes.size())) return -1;
    self->at = static_cast<size_t>(to);
    return 0;
  }
  static long Tell(void* source) { return static_cast<long>(static_cast<MemoryFile*>(source)->at); }
};

// An open piece: the file's bytes and libvorbisfile's decoder over them.
// It stays where it was made: the decoder's state points into itself.
struct Piece {
  MemoryFile source;
  OggVorbis_File file{};
  bool opened = false;
  int channels = 2;
  int64_t end_frame = 0;  // the MIDI file's last event, in frames

  Piece() = default;
  Piece(const Piece&) = delete;
  Piece& operator=(const Piece&) = delete;
  ~Piece() {
    if (opened) ov_clear(&file);
  }
};

class OggMusicDevice final : public SdlMusic {
 public:
  OggMusicDevice(std::string folder, MidiWarnings::Report report)
      : folder_(std::move(folder)), warnings_(std::move(report)) {
    int rate = kSampleRate;
    // SDL converts to the hardware's rate where it differs.
    device_ = OpenAudioOutput(&rate, false, kBufferFrames, &OggMusicDevice::Render, this);
    if (device_ != 0) {
      SDL_PauseAudioDevice(device_, 0);
    } else {
      notice_ = "music is off: no sound device could be opened";
    }
  }

  ~OggMusicDevice() override {
    CloseAudioOutput(device_);
    device_ = 0;
  }

  void Close() override {
    if (!piece_) return;
    std::unique_ptr<Piece> closed;  // cleared after the lock is let go
    AudioLock lock(device_);
    FadeOut();
    closed = std::move(piece_);
    sounding_ = false;
  }

  bool Open(const std::string& name) override {
    Close();
    // The MIDI file decides, as for the live device, whether there is a
    // piece and where it ends. Both files are checked, also without a sound
    // card, so a bad piece is reported either way.
    const MidiFileResult midi = ReadMidiFile(ResolveDataFile(folder_, name));
    if (!midi.ok()) {
      warnings_.Warn(midi);
      return false;
    }
    const std::string path = ResolveDataFile(folder_, RenderedPieceName(name));
    auto piece = std::make_unique<Piece>();
    RegularFile file = ReadRegularFile(path, kMaxRenderedBytes);
    if (!file.ok()) {
      warnings_.Warn(Refused(path, file.reason));
      return false;
    }
    piece->source.bytes = std::move(file.bytes);
    const ov_callbacks callbacks = {&MemoryFile::Read, &MemoryFile::Seek, nullptr,
                                    &MemoryFile::Tell};
    if (ov_open_callbacks(&piece->source, &piece->file, nullptr, 0, callbacks) != 0) {
      warnings_.Warn(Refused(path, "not an Ogg Vorbis file"));
      return false;
    }
    piece->opened = true;
    const vorbis_info* info = ov_info(&piece->file, -1);
    if (!info || info->rate != kSampleRate || info->channels < 1 || info->channels > 2) {
      warnings_.Warn(Refused(path, "not stereo or mono sound at " + std::to_string(kSampleRate) +
                                       " samples a second"));
      return false;
    }
    if (device_ == 0) return false;
    piece->channels = info->channels;
    piece->end_frame = static_cast<int64_t>(midi.info->length_ms) * kSampleRate / 1000;
    AudioLock lock(device_);
    piece_ = std::move(piece);
    position_ = 0;
    sounding_ = false;
    return true;
  }

  void Play() override {
    if (!piece_) return;
    AudioLock lock(device_);
    // A piece played to its end stays there until it is rewound.
    if (AtEnd()) return;
    sounding_ = true;
  }

  void Stop() override {
    if (!piece_) return;
    AudioLock lock(device_);
    FadeOut();
    sounding_ = false;
  }

  void SeekToStart() override {
    if (!piece_) return;
    AudioLock lock(device_);
    if (position_ == 0) return;  // still at the start
    const bool was_playing = sounding_ && !AtEnd();
    FadeOut();
    ov_pcm_seek(&piece_->file, 0);
    position_ = 0;
    sounding_ = was_playing;
  }

  bool IsStopped() override {
    if (!piece_) return false;
    AudioLock lock(device_);
    return !sounding_ || AtEnd();
  }

  void SetPaused(bool paused) override {
    // The piece moves on with the rendered samples, so a paused output
    // holds it where it is.
    if (device_ != 0) SDL_PauseAudioDevice(device_, paused ? 1 : 0);
  }

  std::string TakeNotice() override { return std::exchange(notice_, std::string()); }

  void SetVolume(int percent) override { gain_ = static_cast<float>(percent) / 100.0f; }

 private:
  // The caller holds the audio lock. The piece's next 40 ms, fading to
  // silence, go to the fade buffer (over what is left of an earlier fade)
  // and the piece's place stays where it was.
  void FadeOut() {
    std::vector<float> fade(2 * kFadeFrames, 0.0f);
    const size_t left = fade_.size() - fade_at_;
    std::copy_n(fade_.begin() + static_cast<std::ptrdiff_t>(fade_at_), std::min(left, fade.size()),
                fade.begin());
    if (sounding_) {
      Decode(fade.data(), kFadeFrames, true);
      ov_pcm_seek(&piece_->file, position_);
    }
    fade_ = std::move(fade);
    fade_at_ = 0;
  }

  // Adds up to `frames` frames of the piece from its current place to
  // `out` (interleaved stereo), each times a ramp from 1 to 0 over the
  // frames when `fading`. Returns the frames added; fewer at the end of the
  // rendered piece. Does not move the piece's place.
  int Decode(float* out, int frames, bool fading) {
    int done = 0;
    while (done < frames) {
      float** pcm = nullptr;
      int section = 0;
      const long n = ov_read_float(&piece_->file, &pcm, frames - done, &section);
      if (n == OV_HOLE) continue;  // a gap in the data: go on after it
      if (n <= 0) break;
      const float* left = pcm[0];
      const float* right = pcm[piece_->channels > 1 ? 1 : 0];
      for (long i = 0; i < n; ++i) {
        const float ramp =
            fading ? 1.0f - static_cast<float>(done + i) / static_cast<float>(frames) : 1.0f;
        out[2 * (done + i)] += left[i] * ramp;
        out[2 * (done + i) + 1] += right[i] * ramp;
      }
      done += static_cast<int>(n);
    }
    return done;
  }

  bool AtEnd() const { return position_ >= piece_->end_frame; }

  static void Render(void* userdata, Uint8* stream, int bytes) {
    auto* self = static_cast<OggMusicDevice*>(userdata);
    float* out = reinterpret_cast<float*>(stream);
    const int frames = bytes / static_cast<int>(2 * sizeof(float));
    std::fill(out, out + 2 * frames, 0.0f);
    if (self->fade_at_ < self->fade_.size()) {
      const size_t n = std::min(self->fade_.size() - self->fade_at_, size_t(2) * frames);
      std::copy_n(self->fade_.begin() + static_cast<std::ptrdiff_t>(self->fade_at_), n, out);
      self->fade_at_ += n;
    }
    if (self->piece_ && self->sounding_) {
      const int done = self->Decode(out, frames, false);
      self->position_ += done;
      // The rendered tail has run out: nothing more to decode.
      if (done < frames) self->sounding_ = false;
    }
    const float gain = self->gain_;
    if (gain != 1.0f) {
      for (int i = 0; i < 2 * frames; ++i) out[i] *= gain;
    }
  }

  static MidiFileResult Refused(const std::string& path, const std::string& why) {
    MidiFileResult result;
    result.error = path + ": " + why;
    return result;
  }

  std::string folder_;
  MidiWarnings warnings_;
  std::string notice_;  // for TakeNotice
  SDL_AudioDeviceID device_ = 0;
  // Everything below is read by the audio callback; the game thread
  // changes it only under the audio lock.
  std::unique_ptr<Piece> piece_;  // none when no piece is open
  int64_t position_ = 0;          // frames played from the start
  bool sounding_ = false;         // the piece feeds the output (also its tail after the end)
  std::vector<float> fade_;       // what a stop or rewind left to fade out, interleaved
  size_t fade_at_ = 0;            // samples of fade_ already played
  std::atomic<float> gain_ = 1.0f;
};

}  // namespace

std::string RenderedPieceName(const std::string& midi_name) {
  const size_t dot = midi_name.rfind('.');
  const size_t slash = midi_name.rfind('/');
  const bool has_ending = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  return (has_ending ? midi_name.substr(0, dot) : midi_name) + ".ogg";
}

std::unique_ptr<SdlMusic> CreateOggMusicDevice(std::string folder,
                                               std::function<void(const std::string&)> report) {
  return std::make_unique<OggMusicDevice>(std::move(folder), std::move(report));
}

}  // namespace kolvar
