#include "platform/sdl/audio_output.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

namespace kolvar {
namespace {

// While alive, anything written to the standard error stream is dropped.
class QuietStderr {
 public:
  QuietStderr() {
    std::fflush(stderr);
    saved_ = dup(STDERR_FILENO);
    const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (saved_ >= 0 && null >= 0) dup2(null, STDERR_FILENO);
    if (null >= 0) close(null);
  }
  ~QuietStderr() {
    std::fflush(stderr);
    if (saved_ >= 0) {
      dup2(saved_, STDERR_FILENO);
      close(saved_);
    }
  }
  QuietStderr(const QuietStderr&) = delete;
  QuietStderr& operator=(const QuietStderr&) = delete;

 private:
  int saved_ = -1;
};

}  // namespace

SDL_AudioDeviceID OpenAudioOutput(int* rate, bool any_rate, Uint16 frames,
                                  SDL_AudioCallback callback, void* userdata) {
  QuietStderr quiet;
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return 0;
  SDL_AudioSpec want{};
  SDL_AudioSpec have{};
  want.freq = *rate;
  want.format = AUDIO_F32SYS;
  want.channels = 2;
  want.samples = frames;
  want.callback = callback;
  want.userdata = userdata;
  const SDL_AudioDeviceID device = SDL_OpenAudioDevice(
      nullptr, 0, &want, &have,
      SDL_AUDIO_ALLOW_SAMPLES_CHANGE | (any_rate ? SDL_AUDIO_ALLOW_FREQUENCY_CHANGE : 0));
  if (device == 0) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return 0;
  }
  *rate = have.freq;
  return device;
}

void CloseAudioOutput(SDL_AudioDeviceID device) {
  if (device == 0) return;
  SDL_CloseAudioDevice(device);  // waits for a running callback to finish
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

}  // namespace kolvar
