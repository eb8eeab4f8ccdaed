// What the window's music devices share about SDL's audio output: opening
// the stream quietly, and holding its callback off.
#pragma once

#include <SDL.h>

namespace kolvar {

// Opens SDL's default audio output for float stereo at `rate` with buffers
// of about `frames`, calling `callback` with `userdata`, paused. Returns 0
// (and leaves the audio subsystem as it found it) where there is no usable
// output. ALSA's complaints about a missing sound card are kept off the
// standard error stream: a game without sound starts quietly. With
// `any_rate` SDL may pick the hardware's rate (in `*rate` on return);
// without it SDL converts to the hardware's rate itself.
SDL_AudioDeviceID OpenAudioOutput(int* rate, bool any_rate, Uint16 frames,
                                  SDL_AudioCallback callback, void* userdata);

// Closes what OpenAudioOutput opened (0 is ignored).
void CloseAudioOutput(SDL_AudioDeviceID device);

// Holds the audio callback off while the game thread touches what it reads.
class AudioLock {
 public:
  explicit AudioLock(SDL_AudioDeviceID device) : device_(device) { SDL_LockAudioDevice(device_); }
  ~AudioLock() { SDL_UnlockAudioDevice(device_); }
  AudioLock(const AudioLock&) = delete;
  AudioLock& operator=(const AudioLock&) = delete;

 private:
  SDL_AudioDeviceID device_;
};

}  // namespace kolvar
