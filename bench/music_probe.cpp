// kolvar_music_probe: the window with its music device, as the game opens
// it, playing each of the game's four pieces in turn for a few seconds
// while the window shows a picture 25 times a second; prints the process's
// peak memory after each piece ("after title.mid 24.1") on the standard
// output. Run by kolvar_report, from a build folder (MIDI/ beside it),
// for this build and for an older one built from its own sources: it uses
// only what every build's window offers (CreateSdlPlatform, Music, Show).
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/sdl/sdl_platform.h"

namespace {

double PeakRssMb() {
  std::ifstream in("/proc/self/status");
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("VmHWM:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::stod(argv[1]) : 3.0;
  kolvar::WindowOptions options;
  options.music_folder = "./MIDI";
  options.scale = 3;
  // The settings file is the default one: kolvar_report gives the probe a
  // scratch home.
  std::unique_ptr<kolvar::Platform> window = kolvar::CreateSdlPlatform(options);
  std::vector<uint32_t> picture(320 * 240);
  uint32_t colour = 0;
  for (const char* piece : {"title.mid", "main.mid", "CLEAR.MID", "GameOver.mid"}) {
    window->Music().Open(piece);
    window->Music().Play();
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end) {
      for (uint32_t& p : picture) p = colour;
      colour += 0x010203;
      window->Show({picture.data(), 320, 240});
      if (window->PumpEvents()) return 0;
      std::this_thread::sleep_for(std::chrono::milliseconds(40));
    }
    std::printf("after %s %.1f\n", piece, PeakRssMb());
    std::fflush(stdout);
  }
  return 0;
}
