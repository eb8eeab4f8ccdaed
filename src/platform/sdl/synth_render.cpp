#include "platform/sdl/synth_render.h"

#include <fluidsynth.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <vector>

#include "platform/midi_file.h"

namespace kolvar {

namespace {

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

bool Readable(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error) && access(path.c_str(), R_OK) == 0;
}

// The folders looked in, in order.
std::vector<std::string> SoundfontFolders() {
  std::vector<std::string> roots;
  std::string data_home = Environment("XDG_DATA_HOME");
  if (data_home.empty() && !Environment("HOME").empty()) {
    data_home = Environment("HOME") + "/.local/share";
  }
  if (!data_home.empty()) roots.push_back(data_home);
  std::string dirs = Environment("XDG_DATA_DIRS");
  if (dirs.empty()) dirs = "/usr/local/share:/usr/share";
  std::istringstream list(dirs);
  for (std::string dir; std::getline(list, dir, ':');) {
    if (!dir.empty()) roots.push_back(dir);
  }
  std::vector<std::string> folders;
  for (const std::string& root : roots) {
    for (const char* below : {"/soundfonts", "/sounds/sf2", "/sounds/sf3"}) {
      folders.push_back(root + below);
    }
  }
  return folders;
}

std::string FirstSoundfontIn(const std::string& folder) {
  for (const char* name : {"FluidR3_GM", "default-GM", "default", "TimGM6mb"}) {
    for (const char* extension : {".sf2", ".sf3"}) {
      const std::string path = folder + "/" + name + extension;
      if (Readable(path)) return path;
    }
  }
  std::vector<std::string> others;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    const std::string extension = entry.path().extension().string();
    if ((extension == ".sf2" || extension == ".sf3") && Readable(entry.path().string())) {
      others.push_back(entry.path().string());
    }
  }
  std::sort(others.begin(), others.end());
  return others.empty() ? "" : others.front();
}

}  // namespace

SoundfontChoice FindSoundfont(const std::string& wanted) {
  SoundfontChoice choice;
  if (!wanted.empty()) {
    std::string path = wanted;
    if (path.rfind("~/", 0) == 0 && !Environment("HOME").empty()) {
      path = Environment("HOME") + path.substr(1);
    }
    if (Readable(path)) {
      choice.path = path;
      return choice;
    }
    choice.problem = "the soundfont " + path + " cannot be read";
  }
  for (const std::string& folder : SoundfontFolders()) {
    choice.path = FirstSoundfontIn(folder);
    if (!choice.path.empty()) break;
  }
  if (choice.path.empty()) {
    choice.problem = "music is off: " +
                     (choice.problem.empty() ? std::string("no soundfont is installed")
                                             : choice.problem + " and no other is installed") +
                     " (install fluid-soundfont-gm, or name a .sf2 file in the settings' "
                     "soundfont or with --soundfont)";
  } else if (!choice.problem.empty()) {
    choice.problem += "; playing with " + choice.path;
  }
  return choice;
}

RenderedPiece RenderMidiFile(const std::string& path, double tail_seconds) {
  RenderedPiece piece;
  const std::string soundfont = FindSoundfont().path;
  if (soundfont.empty()) {
    piece.error = "no General MIDI soundfont installed (fluid-soundfont-gm)";
    return piece;
  }
  // The piece is read once, through the reader, and handed to the player
  // from memory.
  std::vector<uint8_t> bytes;
  const MidiFileResult midi = ReadMidiFile(path, &bytes);
  if (!midi.ok()) {
    piece.error = path + ": " + midi.error;
    return piece;
  }
  const uint32_t length_ms = midi.info->length_ms;
  fluid_settings_t* settings = new_fluid_settings();
  fluid_settings_setnum(settings, "synth.sample-rate", kSynthSampleRate);
  fluid_settings_setnum(settings, "synth.gain", kSynthGain);
  fluid_settings_setstr(settings, "player.timing-source", "sample");
  // As the device: only the instruments in use are read, nothing is locked.
  fluid_settings_setint(settings, "synth.dynamic-sample-loading", 1);
  fluid_settings_setint(settings, "synth.lock-memory", 0);
  fluid_synth_t* synth = new_fluid_synth(settings);
  fluid_player_t* player = synth ? new_fluid_player(synth) : nullptr;
  if (!player || fluid_synth_sfload(synth, soundfont.c_str(), 1) == FLUID_FAILED ||
      fluid_player_add_mem(player, bytes.data(), bytes.size()) == FLUID_FAILED ||
      fluid_player_play(player) == FLUID_FAILED) {
    piece.error = path + ": the synthesizer could not play it";
  } else {
    // The piece ends where the music device says it does: at its last
    // event, as the MIDI file reader measures it.
    piece.seconds = length_ms / 1000.0;
    const int64_t total =
        static_cast<int64_t>((piece.seconds + tail_seconds) * kSynthSampleRate + 0.5);
    constexpr int kBlock = 512;
    std::array<float, 2 * kBlock> block{};
    for (int64_t frames = 0; frames < total; frames += kBlock) {
      const int n = static_cast<int>(std::min<int64_t>(kBlock, total - frames));
      fluid_synth_write_float(synth, n, block.data(), 0, 2, block.data(), 1, 2);
      piece.samples.insert(piece.samples.end(), block.begin(), block.begin() + 2 * n);
    }
  }
  if (player) delete_fluid_player(player);
  if (synth) delete_fluid_synth(synth);
  delete_fluid_settings(settings);
  return piece;
}

}  // namespace kolvar
