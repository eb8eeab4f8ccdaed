// One performance report, run by scripts/bench from the build directory:
// the real program's memory, start-up and processor use (SDL's dummy video
// and audio drivers, with the music playing), the frame periods of scripted
// play in the real window, the cross-fade against its literal form, one
// play frame's composition, and the headless game's speed with a trace.
//
// Figures only: nothing here passes or fails. The goals are printed beside
// them for the reader.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "busy_frame.h"
#include "core/fatal_error.h"
#include "core/game.h"
#include "core/trace.h"
#include "platform/recording_platform.h"
#include "platform/sdl/sdl_platform.h"
#include "shell/outer_loop.h"
#include "video/blend.h"

extern char** environ;

namespace kolvar {
namespace {

namespace fs = std::filesystem;
using WallClock = std::chrono::steady_clock;

double Since(WallClock::time_point start) {
  return std::chrono::duration<double>(WallClock::now() - start).count();
}

void SleepSeconds(double s) {
  std::this_thread::sleep_for(std::chrono::duration<double>(s));
}

double ThreadCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double ProcessCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

// utime + stime of a /proc stat line, in seconds.
double StatCpuSeconds(const std::string& stat_path) {
  std::ifstream in(stat_path);
  std::string line;
  std::getline(in, line);
  const size_t paren = line.rfind(')');
  if (paren == std::string::npos) return 0;
  std::istringstream fields(line.substr(paren + 2));
  std::vector<std::string> f;
  for (std::string word; fields >> word;) f.push_back(word);
  if (f.size() < 13) return 0;
  return static_cast<double>(std::stoll(f[11]) + std::stoll(f[12])) /
         static_cast<double>(sysconf(_SC_CLK_TCK));
}

// Processor time of a process, in total and in its audio threads.
struct ProcessCpu {
  double total = 0, audio = 0;
};

ProcessCpu CpuOf(pid_t pid) {
  ProcessCpu cpu;
  const fs::path task = "/proc/" + std::to_string(pid) + "/task";
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(task, error)) {
    std::ifstream comm(entry.path() / "comm");
    std::string name;
    std::getline(comm, name);
    const double seconds = StatCpuSeconds((entry.path() / "stat").string());
    cpu.total += seconds;
    if (name.rfind("SDLAudio", 0) == 0) cpu.audio += seconds;
  }
  return cpu;
}

double PeakRssMb(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("VmHWM:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
  }
  return 0;
}

// Starts `args` with the environment plus `env`, in `dir`.
pid_t Spawn(const std::vector<std::string>& args, const std::map<std::string, std::string>& env,
            const fs::path& dir) {
  std::vector<std::string> environment;
  for (char** e = environ; *e; ++e) {
    const std::string entry = *e;
    if (!env.count(entry.substr(0, entry.find('=')))) environment.push_back(entry);
  }
  for (const auto& [name, value] : env) environment.push_back(name + "=" + value);
  std::vector<char*> argv, envp;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  for (const std::string& e : environment) envp.push_back(const_cast<char*>(e.c_str()));
  argv.push_back(nullptr);
  envp.push_back(nullptr);
  const fs::path previous = fs::current_path();
  fs::current_path(dir);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  const int error = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  fs::current_path(previous);
  if (error != 0) {
    std::fprintf(stderr, "kolvar_report: cannot start %s: %s\n", argv[0], std::strerror(error));
    std::exit(1);
  }
  return pid;
}

// Ends a program the way a window's close does (SDL turns SIGTERM into a
// quit event) and waits for it.
void Stop(pid_t pid) {
  kill(pid, SIGTERM);
  int status = 0;
  waitpid(pid, &status, 0);
}

struct Scratch {
  Scratch() {
    char name[] = "/tmp/kolvar_bench_XXXXXX";
    if (!mkdtemp(name)) {
      std::perror("kolvar_report: mkdtemp");
      std::exit(1);
    }
    dir = name;
  }
  ~Scratch() {
    std::error_code error;
    fs::remove_all(dir, error);
  }
  fs::path dir;
};

// The window's settings and hi-score files go to the scratch folder, not
// the user's home.
std::map<std::string, std::string> WindowEnv(const fs::path& home) {
  return {{"SDL_VIDEODRIVER", "dummy"},
          {"SDL_AUDIODRIVER", "dummy"},
          {"HOME", home.string()},
          {"XDG_CONFIG_HOME", (home / "config").string()},
          {"XDG_DATA_HOME", (home / "data").string()}};
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

double Percentile(std::vector<double> values, int p) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() * static_cast<size_t>(p) / 100];
}

void Line(const char* what, const std::string& figure, const char* goal = "") {
  std::printf("  %-44s %-30s %s\n", what, figure.c_str(), goal);
}

std::string Format(const char* format, double a, double b = 0, double c = 0) {
  char text[128];
  std::snprintf(text, sizeof text, format, a, b, c);
  return text;
}

// The first picture: SDL's dummy driver writes each presented frame to a
// BMP file when asked. Frame 1 is the window's own black start; frame 2 is
// the first picture the game shows (the title's). Median of five launches.
double FirstPictureMs(const std::string& program, const fs::path& scratch) {
  std::vector<double> times;
  for (int run = 0; run < 5; ++run) {
    const fs::path dir = scratch / ("start" + std::to_string(run));
    fs::create_directories(dir);
    auto env = WindowEnv(dir);
    env["SDL_VIDEO_DUMMY_SAVE_FRAMES"] = "1";
    const auto start = WallClock::now();
    const pid_t pid = Spawn({program}, env, dir);
    const fs::path frame = dir / "SDL_window1-00000002.bmp";
    while (!fs::exists(frame) && Since(start) < 10) SleepSeconds(0.0005);
    times.push_back(Since(start) * 1000);
    Stop(pid);
  }
  return Median(times);
}

struct TitleFigures {
  double cpu_percent = 0, audio_percent = 0, peak_rss_mb = 0;
};

// The title: 7 s for the intro to end and its music to start, then 10 s of
// the menu over the scrolling floor.
TitleFigures Title(const std::string& program, const fs::path& scratch) {
  const fs::path dir = scratch / "title";
  fs::create_directories(dir);
  const pid_t pid = Spawn({program}, WindowEnv(dir), dir);
  SleepSeconds(7);
  const ProcessCpu before = CpuOf(pid);
  const auto start = WallClock::now();
  SleepSeconds(10);
  const ProcessCpu after = CpuOf(pid);
  const double wall = Since(start);
  TitleFigures figures;
  figures.cpu_percent = 100 * (after.total - before.total) / wall;
  figures.audio_percent = 100 * (after.audio - before.audio) / wall;
  figures.peak_rss_mb = PeakRssMb(pid);
  Stop(pid);
  return figures;
}

// Sees the play loop's frame lines as the trace writes them (unbuffered,
// one write a line).
struct FrameWatch {
  bool frame_written = false;
};

ssize_t WatchTrace(void* cookie, const char* data, size_t size) {
  if (std::string_view(data, size).find("\"stage\":") != std::string_view::npos) {
    static_cast<FrameWatch*>(cookie)->frame_written = true;
  }
  return static_cast<ssize_t>(size);
}

// Keys for the real window from a script of wall-clock times, and a watch
// on the shown pictures: a picture is a play frame's when the play loop
// traced a frame right after showing it.
class ScriptedWindow final : public Platform {
 public:
  ScriptedWindow(Platform& window, FrameWatch& watch) : window_(window), watch_(watch) {}

  uint32_t Clock() override { return window_.Clock(); }
  bool PumpEvents() override {
    window_.PumpEvents();
    return play_started_ && Since(play_start_) >= kPlaySeconds;
  }
  void Idle(uint32_t ms) override { window_.Idle(ms); }
  MusicDevice& Music() override { return window_.Music(); }

  // Z held through the title (the menu's first frame chooses Start), then
  // the player walks right and left in turns near the start door.
  uint16_t PollKey(Key key) override {
    if (key == Key::Z) return Since(start_) < 7 ? 0x8000 : 0;
    if (!play_started_ || (key != Key::Left && key != Key::Right)) return 0;
    const bool right = static_cast<int>(Since(play_start_) / 0.6) % 2 == 0;
    return key == (right ? Key::Right : Key::Left) ? 0x8000 : 0;
  }

  void Show(PixelView picture) override {
    const auto now = WallClock::now();
    const bool previous_was_frame = watch_.frame_written;
    watch_.frame_written = false;
    if (previous_was_frame) {
      if (!play_started_) {
        play_started_ = true;
        play_start_ = now;
        cpu_start_ = ProcessCpuSeconds();
      } else if (frames_in_a_row_ > 0) {
        periods_ms.push_back(
            std::chrono::duration<double, std::milli>(last_show_ - last_frame_).count());
      }
      last_frame_ = last_show_;
      ++frames_in_a_row_;
    } else {
      frames_in_a_row_ = 0;
    }
    last_show_ = now;
    window_.Show(picture);
  }

  double CpuPercent() const {
    return 100 * (ProcessCpuSeconds() - cpu_start_) / Since(play_start_);
  }

  static constexpr double kPlaySeconds = 10;
  std::vector<double> periods_ms;  // between consecutive play frames' shows

 private:
  Platform& window_;
  FrameWatch& watch_;
  const WallClock::time_point start_ = WallClock::now();
  bool play_started_ = false;
  WallClock::time_point play_start_, last_show_, last_frame_;
  int frames_in_a_row_ = 0;
  double cpu_start_ = 0;
};

struct PlayFigures {
  double cpu_percent = 0, p50 = 0, p99 = 0;
  size_t periods = 0;
};

// About 10 s of play in the real window, music playing and the game
// recorded, from the game's first play frame (Z held from the start
// chooses Start at once).
PlayFigures ScriptedPlay(const fs::path& scratch) {
  WindowOptions options;
  options.scale = 2;
  options.settings_file = "/dev/null";  // the default settings, and none written
  options.hiscore_file = (scratch / "hiscore").string();
  std::unique_ptr<Platform> window = CreateSdlPlatform(options);
  FrameWatch watch;
  std::FILE* out = fopencookie(&watch, "w", {nullptr, &WatchTrace, nullptr, nullptr});
  std::setvbuf(out, nullptr, _IONBF, 0);
  ScriptedWindow scripted(*window, watch);
  PlayFigures figures;
  {
    Trace trace(out, "frame watch");
    // Recorded, as every game in the window is.
    RecordingPlatform recorder(scripted, std::fopen((scratch / "play.kvr").c_str(), "wb"),
                               "play.kvr", {}, [](const std::string&) {});
    Game game(recorder, ".");
    game.trace = &trace;
    try {
      RunProgram(game);
    } catch (const CloseRequested&) {
    }
    figures.cpu_percent = scripted.CpuPercent();
  }
  std::fclose(out);
  figures.periods = scripted.periods_ms.size();
  figures.p50 = Percentile(scripted.periods_ms, 50);
  figures.p99 = Percentile(scripted.periods_ms, 99);
  return figures;
}

// Ten minutes of the headless game from a key script: Z tapped every
// second (title, prompts), the arrows held in turn for two seconds each.
void WriteHeadlessScript(const fs::path& path) {
  std::ofstream out(path);
  static const char* kArrows[] = {"right", "down", "left", "up"};
  for (int s = 0; s < 600; ++s) out << s * 1000 << " z down\n" << s * 1000 + 100 << " z up\n";
  for (int k = 0; k < 300; ++k) {
    out << k * 2000 + 50 << ' ' << kArrows[k % 4] << " down\n";
    out << k * 2000 + 1950 << ' ' << kArrows[k % 4] << " up\n";
  }
}

struct HeadlessFigures {
  double cpu_seconds = 0;
  size_t frames = 0;
};

HeadlessFigures Headless(const std::string& program, const fs::path& scratch, bool shot_pending) {
  const fs::path script = scratch / "headless.in", trace = scratch / "headless.jsonl";
  WriteHeadlessScript(script);
  std::vector<std::string> args = {program,   "--headless",   "--input",   script.string(),
                                   "--trace", trace.string(), "--quit-at", "600000"};
  if (shot_pending) {
    args.push_back("--shot");
    args.push_back("599999:" + (scratch / "last.png").string());
  }
  const pid_t pid = Spawn(args, {}, scratch);
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  HeadlessFigures figures;
  figures.cpu_seconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                        static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
  std::ifstream in(trace);
  for (std::string line; std::getline(in, line);) {
    if (line.find("\"stage\":") != std::string::npos) ++figures.frames;
  }
  return figures;
}

// Processor time of one call, in microseconds: the best of five batches.
template <typename Work>
double MicrosecondsPerCall(int calls, Work work) {
  double best = 1e30;
  for (int batch = 0; batch < 5; ++batch) {
    const double start = ThreadCpuSeconds();
    for (int i = 0; i < calls; ++i) work();
    best = std::min(best, (ThreadCpuSeconds() - start) * 1e6 / calls);
  }
  return best;
}

void CrossFades() {
  Surface dst(320, 240), src(320, 240);
  for (int y = 0; y < 240; ++y)
    for (int x = 0; x < 320; ++x) src.SetPixel(x, y, static_cast<uint32_t>(x * 613 + y * 997));
  for (float percent : {10.0f, 40.0f, 50.0f}) {
    const double fast =
        MicrosecondsPerCall(200, [&] { BlendRect(dst, 0, 0, 320, 240, src, 0, 0, percent); });
    const double literal = MicrosecondsPerCall(
        20, [&] { BlendRectReference(dst, 0, 0, 320, 240, src, 0, 0, percent); });
    const std::string what = "BlendRect 320 x 240 at " + std::to_string(int(percent)) + " %";
    Line(what.c_str(), Format("%.0f us (literal %.0f us): %.1fx", fast, literal, literal / fast),
         "goal >= 5x");
  }
}

// One play frame's drawing: the background copy, the player and eleven
// enemies in view, the radar and the HUD line with three lives and the key.
double CompositionMicroseconds() {
  struct Quiet final : Platform {
    uint32_t Clock() override { return 0; }
    uint16_t PollKey(Key) override { return 0; }
    bool PumpEvents() override { return false; }
    void Idle(uint32_t) override {}
    void Show(PixelView) override {}
    MusicDevice& Music() override { return window->Music(); }
    Platform* window = nullptr;
  };
  WindowOptions options;
  options.settings_file = "/dev/null";
  std::unique_ptr<Platform> window = CreateSdlPlatform(options);
  Quiet quiet;
  quiet.window = window.get();
  Game game(quiet);
  SetUpBusyPlayFrame(game);
  return MicrosecondsPerCall(500, [&] { ComposePlayFrame(game); });
}

std::string CpuModel() {
  std::ifstream in("/proc/cpuinfo");
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("model name", 0) == 0) return line.substr(line.find(':') + 2);
  }
  return "unknown processor";
}

}  // namespace
}  // namespace kolvar

// Usage: kolvar_report [PROGRAM], from the build directory; PROGRAM (default
// ./kolvar) is the game measured as a separate process, e.g. an older build
// for a before-and-after comparison.
int main(int argc, char** argv) {
  using namespace kolvar;
  const std::string program =
      fs::absolute(argc > 1 ? fs::path(argv[1]) : fs::current_path() / "kolvar").string();
  if (!fs::exists(program) || !fs::exists("DATA")) {
    std::fprintf(stderr, "kolvar_report: run me from the build directory (no %s or DATA here)\n",
                 program.c_str());
    return 1;
  }
  // The in-process figures use the same drivers as the real program's.
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  Scratch scratch;
  double load[3] = {};
  getloadavg(load, 3);
  std::printf("Kolvar performance report: %ld cores (%s), load average %.1f\n",
              sysconf(_SC_NPROCESSORS_ONLN), CpuModel().c_str(), load[0]);
  std::printf("Real program, SDL's dummy video and audio drivers, music playing:\n");
  std::fflush(stdout);
  Line("first picture after launch (median of 5)",
       Format("%.0f ms", FirstPictureMs(program, scratch.dir)), "goal <= 200 ms");
  std::fflush(stdout);
  const TitleFigures title = Title(program, scratch.dir);
  Line("peak RSS after the title is shown", Format("%.1f MB", title.peak_rss_mb), "goal <= 60 MB");
  Line("CPU on the title menu (10 s)",
       Format("%.1f %% of a core (music %.1f %%)", title.cpu_percent, title.audio_percent),
       "goal <= 3 %");
  std::fflush(stdout);
  const PlayFigures play = ScriptedPlay(scratch.dir);
  Line("CPU in scripted play (10 s)", Format("%.1f %% of a core", play.cpu_percent), "goal <= 3 %");
  Line("play frame period p50 / p99",
       Format("%.1f / %.1f ms (%.0f periods)", play.p50, play.p99, double(play.periods)),
       "40 ms frames");
  std::printf("Drawing (processor time per call):\n");
  CrossFades();
  Line("one play frame's composition", Format("%.1f us", CompositionMicroseconds()));
  std::printf("Headless game, 10 minutes of scripted play with a trace:\n");
  const HeadlessFigures headless = Headless(program, scratch.dir, false);
  Line("play frames per CPU second",
       Format("%.0f (%.0f frames in %.2f s)", double(headless.frames) / headless.cpu_seconds,
              double(headless.frames), headless.cpu_seconds),
       "goal >= 40,000");
  const HeadlessFigures copying = Headless(program, scratch.dir, true);
  Line("  the same with a screenshot pending",
       Format("%.0f (every shown picture copied)", double(copying.frames) / copying.cpu_seconds));
  return 0;
}
