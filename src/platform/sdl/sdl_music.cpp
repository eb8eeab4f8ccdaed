#include "platform/sdl/sdl_music.h"

#include <SDL.h>
#include <fluidsynth.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "platform/data_files.h"
#include "platform/midi_file.h"
#include "platform/sdl/audio_output.h"
#include "platform/sdl/synth_render.h"

namespace kolvar {
namespace {

// General MIDI's percussion channel (the tenth), and the soundfont bank
// that fluidsynth plays it from.
constexpr int kDrumChannel = 9;
constexpr int kDrumBank = 128;

constexpr int kSampleRate = kSynthSampleRate;
constexpr Uint16 kBufferFrames = 1024;  // about 23 ms a callback

class SdlMusicDevice final : public SdlMusic {
 public:
  SdlMusicDevice(std::string folder, MidiWarnings::Report report, const std::string& wanted)
      : folder_(std::move(folder)), warnings_(std::move(report)) {
    // fluidsynth prints its warnings and errors unless told otherwise.
    for (int level = 0; level < LAST_LOG_LEVEL; ++level) {
      fluid_set_log_function(level, nullptr, nullptr);
    }
    const SoundfontChoice choice = FindSoundfont(wanted);
    notice_ = choice.problem;
    soundfont_ = choice.path;
    if (soundfont_.empty()) return;
    if (!OpenDevice()) {
      notice_ = "music is off: no sound device could be opened";
      Shutdown();
      return;
    }
    // Reading the soundfont's index and first instruments takes a good part
    // of a second on a slow disk; the window shows its first picture
    // meanwhile. The device stays paused until the synthesizer is ready, and
    // nothing else touches the synthesizer before the loader is joined.
    loader_ = std::thread([this] {
      loaded_ok_ = LoadSynthesizer(soundfont_.c_str());
      loaded_ = true;
    });
  }

  ~SdlMusicDevice() override {
    if (loader_.joinable()) loader_.join();
    Shutdown();
  }

  void Close() override {
    pending_.reset();
    if (!player_) return;
    AudioLock lock(device_);
    // A deleted player leaves its sounding notes held in the synthesizer.
    DropPlayer();
    fluid_synth_all_sounds_off(synth_, -1);
  }

  bool Open(const std::string& name) override {
    Close();
    // The file is read and checked whole, also without a sound card, so a
    // bad piece is reported either way. (fluid_is_midifile would open the
    // path itself, and wait forever on a FIFO.)
    std::vector<uint8_t> bytes;
    const MidiFileResult file = ReadMidiFile(ResolveDataFile(folder_, name), &bytes);
    if (!file.ok()) {
      warnings_.Warn(file);
      return false;
    }
    if (device_ == 0) return false;
    pending_ = Piece{std::move(bytes), file.info->length_ticks, file.info->programs};
    // Still loading: the piece waits, stopped at its start, for its Play.
    if (!Ready(false)) return true;
    return TakePendingPiece();
  }

  void Play() override {
    if (pending_ && !TakePendingPiece()) return;
    if (!player_) return;
    AudioLock lock(device_);
    // A piece played to its end stays there until it is rewound.
    if (AtEnd()) return;
    fluid_player_play(player_);
    started_ = true;
  }

  void Stop() override {
    if (!player_) return;  // a waiting piece is not playing
    AudioLock lock(device_);
    // fluidsynth keeps the position across stop and play.
    fluid_player_stop(player_);
    fluid_synth_all_notes_off(synth_, -1);
  }

  void SeekToStart() override {
    if (!player_) return;  // a waiting piece is at its start
    AudioLock lock(device_);
    if (!started_) return;  // Still at the start.
    // fluid_player_seek(0) does not rewind a track whose last played event
    // lies at tick 0, so the notes of the first beat would be skipped. A new
    // player over the same bytes starts cleanly from the first event.
    const bool was_playing = PlayingNow();
    DropPlayer();
    fluid_synth_all_notes_off(synth_, -1);
    if (!MakePlayer()) return;
    if (was_playing) {
      fluid_player_play(player_);
      started_ = true;
    }
  }

  bool IsStopped() override {
    if (pending_) return true;
    if (!player_) return false;
    AudioLock lock(device_);
    return !PlayingNow();
  }

  void SetPaused(bool paused) override {
    paused_ = paused;
    // The player moves on with the rendered samples, so a device that
    // renders nothing holds the piece where it is.
    if (Ready(false)) SDL_PauseAudioDevice(device_, paused ? 1 : 0);
  }

  std::string TakeNotice() override {
    Ready(false);  // a soundfont that failed to load is told of once known
    return std::exchange(notice_, std::string());
  }

  void SetVolume(int percent) override {
    volume_ = percent;
    if (!Ready(false)) return;
    AudioLock lock(device_);
    fluid_synth_set_gain(synth_, static_cast<float>(kSynthGain * percent / 100.0));
  }

 private:
  struct Piece {
    std::vector<uint8_t> bytes;
    uint64_t length_ticks = 0;
    std::vector<MidiProgram> programs;
  };

  // Opens the sound card's stream, paused; the synthesizer follows the
  // hardware's rate. False without a usable device.
  bool OpenDevice() {
    int rate = kSampleRate;
    device_ = OpenAudioOutput(&rate, true, kBufferFrames, &SdlMusicDevice::Render, this);
    if (device_ == 0) return false;
    sample_rate_ = rate;
    return true;
  }

  // Runs on the loader thread.
  bool LoadSynthesizer(const char* soundfont) {
    settings_ = new_fluid_settings();
    if (!settings_) return false;
    fluid_settings_setnum(settings_, "synth.sample-rate", sample_rate_);
    fluid_settings_setnum(settings_, "synth.gain", kSynthGain);
    // The player advances with the samples the synthesizer renders, never
    // on a timer thread of its own.
    fluid_settings_setstr(settings_, "player.timing-source", "sample");
    // Only the samples of the instruments in use are read from the
    // soundfont (a few megabytes of its 141), and none is locked in memory.
    fluid_settings_setint(settings_, "synth.dynamic-sample-loading", 1);
    fluid_settings_setint(settings_, "synth.lock-memory", 0);
    synth_ = new_fluid_synth(settings_);
    if (!synth_) return false;
    soundfont_id_ = fluid_synth_sfload(synth_, soundfont, 1);
    if (soundfont_id_ == FLUID_FAILED) return false;
    // Every channel starts on the piano, or the standard drum kit on the
    // drum channel, and returns to them whenever the player resets the
    // synthesizer at the end of a piece.
    MakeResident({{0, 0, 0}, {kDrumChannel, 0, 0}});
    return true;
  }

  // True once the synthesizer is loaded and running. With `wait` false it
  // does not wait for a loader that is still at work.
  bool Ready(bool wait) {
    if (loader_.joinable()) {
      if (!wait && !loaded_) return false;
      loader_.join();
      if (!loaded_ok_) {
        notice_ = "music is off: " + soundfont_ + " is not a soundfont the synthesizer can read";
        Shutdown();
        return false;
      }
      fluid_synth_set_gain(synth_, static_cast<float>(kSynthGain * volume_ / 100.0));
      if (!paused_) SDL_PauseAudioDevice(device_, 0);
    }
    return synth_ != nullptr;
  }

  // Gives the opened piece its player, once the synthesizer is there; a
  // device whose soundfont failed to load drops it and stays silent.
  bool TakePendingPiece() {
    Piece piece = std::move(*pending_);
    pending_.reset();
    if (!Ready(true)) return false;
    MakeResident(piece.programs);
    AudioLock lock(device_);
    piece_ = std::move(piece.bytes);
    length_ticks_ = piece.length_ticks;
    return MakePlayer();
  }

  // Loads the samples of these instruments and keeps them, so that the
  // player's program changes, which run in the audio callback, never wait
  // for the disk. Called before a piece plays; an instrument stays resident
  // for the rest of the run once any piece has used it.
  void MakeResident(const std::vector<MidiProgram>& programs) {
    if (!synth_) return;
    for (const MidiProgram& p : programs) {
      const int bank = p.channel == kDrumChannel ? kDrumBank : p.bank;
      const int key = bank << 7 | p.program;
      if (std::find(resident_.begin(), resident_.end(), key) != resident_.end()) continue;
      resident_.push_back(key);
      if (fluid_synth_pin_preset(synth_, soundfont_id_, bank, p.program) != FLUID_OK) {
        // fluidsynth falls back to the same program of the first bank (or
        // the standard kit for drums) when the soundfont lacks the bank.
        fluid_synth_pin_preset(synth_, soundfont_id_, bank == kDrumBank ? kDrumBank : 0,
                               bank == kDrumBank ? 0 : p.program);
      }
    }
  }

  void Shutdown() {
    CloseAudioOutput(device_);  // waits for a running callback to finish
    device_ = 0;
    if (player_) delete_fluid_player(player_);
    player_ = nullptr;
    if (synth_) delete_fluid_synth(synth_);
    synth_ = nullptr;
    if (settings_) delete_fluid_settings(settings_);
    settings_ = nullptr;
  }

  static void Render(void* userdata, Uint8* stream, int bytes) {
    auto* self = static_cast<SdlMusicDevice*>(userdata);
    float* out = reinterpret_cast<float*>(stream);
    const int frames = bytes / static_cast<int>(2 * sizeof(float));
    if (!self->synth_) {
      SDL_memset(stream, 0, static_cast<size_t>(bytes));
      return;
    }
    // Left and right interleaved in one buffer.
    fluid_synth_write_float(self->synth_, frames, out, 0, 2, out, 1, 2);
  }

  // The caller holds the audio lock, or the device is not running.
  bool MakePlayer() {
    started_ = false;
    player_ = new_fluid_player(synth_);
    if (!player_) return false;
    if (fluid_player_add_mem(player_, piece_.data(), piece_.size()) != FLUID_OK) {
      DropPlayer();
      return false;
    }
    return true;
  }

  void DropPlayer() {
    if (player_) delete_fluid_player(player_);
    player_ = nullptr;
    started_ = false;
  }

  // The player's tick has reached the end of the piece. fluidsynth's own
  // status stays "playing" for about two seconds longer while the last notes
  // ring out, so the tick decides.
  bool AtEnd() {
    return started_ &&
           static_cast<uint64_t>(fluid_player_get_current_tick(player_)) >= length_ticks_;
  }

  bool PlayingNow() { return fluid_player_get_status(player_) == FLUID_PLAYER_PLAYING && !AtEnd(); }

  fluid_settings_t* settings_ = nullptr;
  fluid_synth_t* synth_ = nullptr;
  int soundfont_id_ = FLUID_FAILED;
  std::vector<int> resident_;  // bank * 128 + program of every pinned instrument
  fluid_player_t* player_ = nullptr;
  std::string folder_;
  MidiWarnings warnings_;
  std::string soundfont_;
  std::string notice_;  // for TakeNotice
  SDL_AudioDeviceID device_ = 0;
  int sample_rate_ = kSampleRate;
  std::vector<uint8_t> piece_;  // the open piece's file, for making new players
  uint64_t length_ticks_ = 0;
  bool started_ = false;          // Play was called on the current player
  std::optional<Piece> pending_;  // opened while the synthesizer was loading
  std::thread loader_;
  std::atomic<bool> loaded_ = false;
  bool loaded_ok_ = false;  // read only after joining the loader
  bool paused_ = false;
  int volume_ = 100;
};

}  // namespace

std::unique_ptr<SdlMusic> CreateSdlMusicDevice(std::string folder,
                                               std::function<void(const std::string&)> report,
                                               const std::string& soundfont) {
  return std::make_unique<SdlMusicDevice>(std::move(folder), std::move(report), soundfont);
}

}  // namespace kolvar
