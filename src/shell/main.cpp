// kolvar: reads the command line, opens the window (or the headless runner)
// and runs the title/game loop until the window is closed.

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/sheet_data.h"
#include "editor/proof_runner.h"
#include "platform/data_files.h"
#include "platform/desktop/config_file.h"
#include "platform/desktop/pack_files.h"
#include "platform/desktop/recording_folder.h"
#include "platform/desktop/user_files.h"
#include "platform/printable.h"
#include "platform/sdl/sdl_key_names.h"
#include "platform/sdl/sdl_platform.h"
#include "shell/command_line.h"
#include "shell/edit_mode.h"
#include "shell/headless_launch.h"
#include "shell/pack_folder.h"
#include "shell/program.h"
#include "video/text.h"

namespace {

// The embedded window icon, one 0xAARRGGBB value a pixel.
std::vector<uint32_t> IconPixels() {
  const kolvar::IndexedImage icon = kolvar::WindowIconData();
  std::vector<uint32_t> argb(static_cast<size_t>(icon.width) * icon.height);
  for (size_t i = 0; i < argb.size(); ++i) argb[i] = icon.palette[icon.indices[i]];
  return argb;
}

// The settings file's `stages = NAME` into `args`, with the file and line
// that named it, read before the window opens so a pack at fault is known
// first; the window reports the file's other problems (a FIFO in its place
// too) when it loads it.
void TakeSettingsStages(kolvar::Arguments& args) {
  if (kolvar::ConfigDirectory().empty()) return;
  const std::string path = kolvar::ConfigDirectory() + "/kolvar.conf";
  const kolvar::Settings settings = kolvar::PeekSettings(path, kolvar::SdlKeyNames());
  if (settings.stages.empty()) return;
  args.stages = settings.stages;
  args.stages_setting = kolvar::PrintableUtf8(path) + ":" + std::to_string(settings.stages_line);
}

// The settings file's share_site, for the stage editor's links.
void TakeSettingsShareSite(kolvar::Arguments& args) {
  if (kolvar::ConfigDirectory().empty()) return;
  args.share_site =
      kolvar::PeekSettings(kolvar::ConfigDirectory() + "/kolvar.conf", kolvar::SdlKeyNames())
          .share_site;
}

}  // namespace

int main(int argc, char** argv) {
  kolvar::Arguments args;
  if (const std::optional<int> status = kolvar::ReadCommandLine(
          argc, argv, kolvar::ProgramKind::kWindow, "kolvar", KOLVAR_DATA_FROM_BINDIR, args)) {
    return *status;
  }

  const std::string program_dir = kolvar::ProgramDirectory(argv[0]);
  if (args.stages.empty() && args.check_stages.empty() && !args.headless && !args.edit) {
    TakeSettingsStages(args);
  }
  if (args.edit) TakeSettingsShareSite(args);
  if (args.headless || !args.check_stages.empty()) {
    return kolvar::RunHeadless("kolvar", args, program_dir, KOLVAR_DATA_FROM_BINDIR);
  }

  const std::vector<uint32_t> icon = IconPixels();
  int asked_speed = 0;
  kolvar::Backend window;
  window.edit = kolvar::RunEditMode;
  window.prover = [](const std::string& data_root) -> std::shared_ptr<kolvar::ProofRunner> {
    return kolvar::MakeThreadProofRunner(data_root);
  };
  window.open = [&](const kolvar::OpenRequest& request) {
    kolvar::WindowOptions options;
    options.music_folder = kolvar::ResolveDataFile(request.data_root, "MIDI");
    options.scale = args.scale;
    options.fullscreen = args.fullscreen;
    options.renderer = args.renderer;
    options.soundfont = args.soundfont;
    options.hiscore_file = args.hiscore_file;
    if (!request.pack_name.empty()) {
      // A pack keeps its own hi-score beside the game's.
      options.caption = std::string(kolvar::kWindowCaption) + " - " + request.pack_name;
      if (options.hiscore_file.empty() && !kolvar::DataDirectory().empty()) {
        options.hiscore_file = kolvar::PackHiScoreFile(kolvar::DataDirectory(), request.files_key,
                                                       request.old_files_key);
      }
    }
    options.icon = {icon.data(), kolvar::WindowIconData().width, kolvar::WindowIconData().height};
    options.render_text = kolvar::RenderTextLine;
    options.speed_key = [&asked_speed](int speed) { asked_speed = speed; };
    if (!args.watch.empty())
      options.watching = std::filesystem::path(args.watch).filename().string();
    return kolvar::CreateSdlPlatform(options);
  };
  // A player who started the game from a desktop menu sees no terminal.
  if (args.watch.empty()) {
    window.start_recording = [&args] {
      kolvar::RecordingTarget target;
      if (!args.record.empty()) {
        target.path = args.record;
        target.file = std::fopen(args.record.c_str(), "wb");
        if (!target.file) target.error = args.record + ": cannot write the recording";
        return target;
      }
      const kolvar::NewRecording made = kolvar::StartRecording(
          kolvar::RecordingsDirectory(), static_cast<int64_t>(std::time(nullptr)));
      target.file = made.file;
      target.path = made.path;
      target.error = made.error;
      target.notice = made.notice;
      target.on_hiscore = kolvar::MarkOnFirstHiScore(made.path);
      return target;
    };
  }
  window.watch_speed = [&asked_speed] { return std::exchange(asked_speed, 0); };
  window.show_error = [](const std::string& message) { kolvar::ShowErrorBox(message); };
  return kolvar::RunKolvar("kolvar", args, program_dir, KOLVAR_DATA_FROM_BINDIR, window);
}
