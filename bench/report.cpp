// One performance report, run by scripts/bench from the build folder: the
// real program's start, processor use and memory on the title and in
// scripted play, measured as a separate process in the conditions any
// machine can give it (Xvfb, SDL's real-time disk audio driver), side by
// side with an older build's; then the cross-fade against its literal
// form, one play frame's composition and the headless game's speed.
//
// Figures only: nothing here passes or fails. The goals are printed beside
// them for the reader.
#include <SDL.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
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
#include "core/game.h"
#include "platform/sdl/sdl_platform.h"
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

// Starts `args` with the environment plus `env`, in `dir`; its standard
// output goes to `out` (empty: ours), its errors nowhere.
pid_t Spawn(const std::vector<std::string>& args, const std::map<std::string, std::string>& env,
            const fs::path& dir, const std::string& out = "") {
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
  if (!out.empty()) {
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
  }
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

// Every run: the settings and hi-score files in a scratch home, and SDL's
// disk audio driver writing to /dev/null. That driver renders in real time
// (it waits a buffer's playing time after each buffer), so the music costs
// what it costs with a sound card, on any machine, sound card or not. The
// settings file is there before the first run, as for any start but a
// player's first (which shows the keys along the window's bottom).
std::map<std::string, std::string> RunEnv(const fs::path& home, bool window) {
  std::error_code error;
  fs::create_directories(home / "config" / "kolvar", error);
  if (!fs::exists(home / "config" / "kolvar" / "kolvar.conf", error)) {
    std::ofstream(home / "config" / "kolvar" / "kolvar.conf") << "# the defaults\n";
  }
  std::map<std::string, std::string> env = {{"SDL_AUDIODRIVER", "disk"},
                                            {"SDL_DISKAUDIOFILE", "/dev/null"},
                                            {"HOME", home.string()},
                                            {"XDG_CONFIG_HOME", (home / "config").string()},
                                            {"XDG_DATA_HOME", (home / "data").string()}};
  env["SDL_VIDEODRIVER"] = window ? "x11" : "dummy";
  return env;
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

// The whole machine's busy share while figures are taken: jiffies from
// /proc/stat, summed over every measuring stretch.
class MachineLoad {
 public:
  void Begin() { begin_ = Read(); }
  void End() {
    const auto [busy, total] = Read();
    busy_ += busy - begin_.first;
    total_ += total - begin_.second;
  }
  double BusyPercent() const { return total_ > 0 ? 100.0 * busy_ / total_ : 0; }

 private:
  static std::pair<double, double> Read() {
    std::ifstream in("/proc/stat");
    std::string cpu;
    in >> cpu;
    double total = 0, idle = 0;
    for (int i = 0; i < 8; ++i) {
      double v = 0;
      in >> v;
      total += v;
      if (i == 3 || i == 4) idle += v;  // idle and iowait
    }
    return {total - idle, total};
  }
  std::pair<double, double> begin_;
  double busy_ = 0, total_ = 0;
};

MachineLoad machine_load;

// One build's figures, gathered over interleaved rounds.
struct Figures {
  std::vector<double> first_present, first_picture;  // ms after launch
  std::vector<double> title_cpu, title_music, title_rss;
  std::vector<double> play_cpu, periods;
  std::vector<double> rss_title_piece, rss_all_pieces;
};

fs::path SavedFrame(const fs::path& dir, int n) {
  char name[64];
  std::snprintf(name, sizeof name, "SDL_window1-%08d.bmp", n);
  return dir / name;
}

// Any pixel that is not black.
bool Lit(const fs::path& bmp) {
  SDL_Surface* loaded = SDL_LoadBMP(bmp.string().c_str());
  if (!loaded) return false;
  SDL_Surface* surface = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGB888, 0);
  SDL_FreeSurface(loaded);
  if (!surface) return false;
  bool lit = false;
  for (int y = 0; y < surface->h && !lit; ++y) {
    const auto* row = reinterpret_cast<const uint32_t*>(
        static_cast<const uint8_t*>(surface->pixels) + static_cast<ptrdiff_t>(y) * surface->pitch);
    for (int x = 0; x < surface->w && !lit; ++x) lit = (row[x] & 0xFFFFFF) != 0;
  }
  SDL_FreeSurface(surface);
  return lit;
}

double MsBetween(const timespec& from, const timespec& to) {
  return static_cast<double>(to.tv_sec - from.tv_sec) * 1e3 +
         static_cast<double>(to.tv_nsec - from.tv_nsec) * 1e-6;
}

// The start, with SDL's dummy video driver saving every presented frame as
// a BMP file: the first present (the window's own first frame) and the
// first picture that is not black, each by its file's time of writing.
void Start(const std::string& program, const fs::path& dir, Figures& f) {
  fs::create_directories(dir);
  auto env = RunEnv(dir, false);
  env["SDL_VIDEO_DUMMY_SAVE_FRAMES"] = "1";
  timespec launch{};
  clock_gettime(CLOCK_REALTIME, &launch);
  const auto start = WallClock::now();
  const pid_t pid = Spawn({program}, env, dir);
  for (int n = 1; Since(start) < 15; ++n) {
    // A frame is whole once the next one is being written.
    while (!fs::exists(SavedFrame(dir, n + 1)) && Since(start) < 15) SleepSeconds(0.001);
    struct stat info {};
    if (stat(SavedFrame(dir, n).c_str(), &info) != 0) break;
    const double ms = MsBetween(launch, info.st_mtim);
    if (n == 1) f.first_present.push_back(ms);
    if (Lit(SavedFrame(dir, n))) {
      f.first_picture.push_back(ms);
      break;
    }
  }
  Stop(pid);
  std::error_code error;
  fs::remove_all(dir, error);
}

// The title: 7 s for the intro to end and its music to start, then 10 s of
// the menu over the scrolling floor, in a 960 x 720 window.
void Title(const std::string& program, const fs::path& dir, Figures& f) {
  fs::create_directories(dir);
  const pid_t pid = Spawn({program, "--scale", "3"}, RunEnv(dir, true), dir);
  SleepSeconds(7);
  const ProcessCpu before = CpuOf(pid);
  const auto start = WallClock::now();
  machine_load.Begin();
  SleepSeconds(10);
  machine_load.End();
  const ProcessCpu after = CpuOf(pid);
  const double wall = Since(start);
  f.title_cpu.push_back(100 * (after.total - before.total) / wall);
  f.title_music.push_back(100 * (after.audio - before.audio) / wall);
  f.title_rss.push_back(PeakRssMb(pid));
  Stop(pid);
}

void Keys(const std::string& command) {
  const std::string line = "xdotool " + command + " >/dev/null 2>&1";
  if (std::system(line.c_str()) != 0) {
    std::fprintf(stderr, "kolvar_report: '%s' failed\n", line.c_str());
  }
}

bool IsFrameLine(const std::string& line) {
  return line.find("\"stage\":") != std::string::npos &&
         line.find("\"time\":") != std::string::npos;
}

// The trace's clock of each line, and whether it is a play frame's.
std::vector<std::pair<double, bool>> ReadTrace(const fs::path& path) {
  std::vector<std::pair<double, bool>> lines;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("{\"t\":", 0) != 0) continue;
    lines.push_back({std::stod(line.substr(5)), IsFrameLine(line)});
  }
  return lines;
}

// Scripted play in a 960 x 720 window, keys from xdotool: Z held through
// the title (the menu's first frame chooses Start), then the player walks
// right and left in turns near the start door. Processor time over 10 s
// from a second after the first play frame; the frame periods are the
// differences of the game's clock between play frames traced one after
// the other.
void Play(const std::string& program, const fs::path& dir, Figures& f) {
  fs::create_directories(dir);
  const fs::path trace = dir / "play.jsonl";
  const pid_t pid =
      Spawn({program, "--scale", "3", "--trace", trace.string()}, RunEnv(dir, true), dir);
  Keys("search --sync --pid " + std::to_string(pid) + " windowfocus keydown z");
  const auto start = WallClock::now();
  bool playing = false;
  while (!playing && Since(start) < 20) {
    SleepSeconds(0.05);
    std::ifstream in(trace);
    for (std::string line; !playing && std::getline(in, line);) playing = IsFrameLine(line);
  }
  Keys("keyup z");
  const auto walk = WallClock::now();
  ProcessCpu before;
  bool measuring = false;
  double measured_from = 0;
  for (int step = 0; Since(walk) < 11.2; ++step) {
    const char* key = step % 2 == 0 ? "Right" : "Left";
    Keys(std::string("keydown ") + key);
    while (Since(walk) < 0.6 * (step + 1)) {
      SleepSeconds(0.01);
      if (!measuring && Since(walk) >= 1) {
        measuring = true;
        measured_from = Since(walk);
        before = CpuOf(pid);
        machine_load.Begin();
      }
    }
    Keys(std::string("keyup ") + key);
  }
  machine_load.End();
  const ProcessCpu after = CpuOf(pid);
  f.play_cpu.push_back(100 * (after.total - before.total) / (Since(walk) - measured_from));
  Stop(pid);
  const auto lines = ReadTrace(trace);
  for (size_t i = 1; i < lines.size(); ++i) {
    if (lines[i].second && lines[i - 1].second)
      f.periods.push_back(lines[i].first - lines[i - 1].first);
  }
}

// The window playing each of the four pieces for 3 s (kolvar_music_probe
// of the same build): peak memory after the title's piece and after all.
void Pieces(const fs::path& build, const fs::path& dir, Figures& f) {
  fs::create_directories(dir);
  const fs::path out = dir / "probe.txt";
  const pid_t pid =
      Spawn({(build / "kolvar_music_probe").string(), "3"}, RunEnv(dir, true), build, out.string());
  int status = 0;
  waitpid(pid, &status, 0);
  std::ifstream in(out);
  std::vector<double> rss;
  for (std::string word, piece; in >> word >> piece;) {
    double mb = 0;
    in >> mb;
    rss.push_back(mb);
  }
  if (rss.size() != 4) {
    std::fprintf(stderr, "kolvar_report: %s/kolvar_music_probe printed %zu of 4 pieces\n",
                 build.c_str(), rss.size());
    return;
  }
  f.rss_title_piece.push_back(rss.front());
  f.rss_all_pieces.push_back(rss.back());
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
double CompositionMicroseconds(const fs::path& scratch) {
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
  options.settings_file = (scratch / "kolvar.conf").string();  // the defaults, written there
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

// A figure over the rounds: the median, and the range when it spreads.
std::string Spread(const std::vector<double>& values, const char* unit, int decimals = 1) {
  if (values.empty()) return "-";
  const auto [low, high] = std::minmax_element(values.begin(), values.end());
  char text[96];
  if (values.size() > 1 && *high - *low >= std::pow(10.0, -decimals)) {
    std::snprintf(text, sizeof text, "%.*f%s (%.*f-%.*f)", decimals, Median(values), unit, decimals,
                  *low, decimals, *high);
  } else {
    std::snprintf(text, sizeof text, "%.*f%s", decimals, Median(values), unit);
  }
  return text;
}

void Row(const char* what, const std::string& now, const std::string& before, const char* goal) {
  std::printf("  %-34s %-24s %-24s %s\n", what, now.c_str(), before.c_str(), goal);
}

double LoadAverage() {
  double load[3] = {};
  getloadavg(load, 3);
  return load[0];
}

}  // namespace
}  // namespace kolvar

// Usage: kolvar_report [--rounds N] [BASELINE_BUILD], from a build folder.
// The real program of this folder (./kolvar, with ./kolvar_music_probe) is
// measured as a separate process, side by side with BASELINE_BUILD's (an
// older build folder, which scripts/bench makes) when given. The window's
// figures need an X display (scripts/bench starts Xvfb) and xdotool.
int main(int argc, char** argv) {
  using namespace kolvar;
  int rounds = 3;
  fs::path baseline;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--rounds") == 0 && i + 1 < argc) {
      rounds = std::max(1, std::atoi(argv[++i]));
    } else {
      baseline = fs::absolute(argv[i]);
    }
  }
  const fs::path here = fs::current_path();
  std::vector<fs::path> builds = {here};
  if (!baseline.empty()) builds.push_back(baseline);
  for (const fs::path& build : builds) {
    for (const char* needed : {"kolvar", "kolvar_music_probe", "DATA", "MIDI"}) {
      if (!fs::exists(build / needed)) {
        std::fprintf(stderr, "kolvar_report: no %s in %s (run me from the build folder)\n", needed,
                     build.c_str());
        return 1;
      }
    }
  }
  if (!std::getenv("DISPLAY")) {
    std::fprintf(stderr,
                 "kolvar_report: the window's figures need an X display (DISPLAY); "
                 "scripts/bench starts Xvfb\n");
    return 1;
  }
  Scratch scratch;
  std::printf("Kolvar performance report: %ld cores (%s), load average %.1f at the start\n",
              sysconf(_SC_NPROCESSORS_ONLN), CpuModel().c_str(), LoadAverage());
  std::printf(
      "Method: the real program as a separate process; X on Xvfb, a 960 x 720 window (scale 3),\n"
      "software renderer; SDL's disk audio driver into /dev/null (renders in real time); CPU is\n"
      "the process's CPU time over wall time from /proc/PID/stat; %d rounds, builds taken in turn\n"
      "each round; median (range). First pictures: SDL's dummy video driver saving every frame.\n",
      rounds);
  std::fflush(stdout);
  std::vector<Figures> figures(builds.size());
  for (int round = 0; round < rounds; ++round) {
    for (size_t b = 0; b < builds.size(); ++b) {
      const std::string program = (builds[b] / "kolvar").string();
      const fs::path dir = scratch.dir / ("b" + std::to_string(b));
      for (int launch = 0; launch < 2; ++launch) {
        Start(program, dir / ("start" + std::to_string(launch)), figures[b]);
      }
      Title(program, dir / "title", figures[b]);
      Play(program, dir / "play", figures[b]);
      Pieces(builds[b], dir / "pieces", figures[b]);
    }
    std::fprintf(stderr, "kolvar_report: round %d of %d done\n", round + 1, rounds);
  }
  const Figures& now = figures[0];
  const Figures none;
  const Figures& before = builds.size() > 1 ? figures[1] : none;
  auto title_cpu = [](const Figures& f) {
    return f.title_cpu.empty()
               ? std::string("-")
               : Spread(f.title_cpu, " %") + " (music " + Format("%.1f %%)", Median(f.title_music));
  };
  auto periods = [](const Figures& f) {
    return f.periods.empty()
               ? std::string("-")
               : Format("%.0f / %.0f ms", Percentile(f.periods, 50), Percentile(f.periods, 99));
  };
  std::printf("\n  %-34s %-24s %-24s %s\n", "", "this build", builds.size() > 1 ? "baseline" : "",
              "goal");
  Row("first present after launch", Spread(now.first_present, " ms", 0),
      Spread(before.first_present, " ms", 0), "<= 200 ms");
  Row("first non-black picture", Spread(now.first_picture, " ms", 0),
      Spread(before.first_picture, " ms", 0), "");
  Row("CPU on the title menu (10 s)", title_cpu(now), title_cpu(before), "<= 0.6 x baseline");
  Row("CPU in scripted play (10 s)", Spread(now.play_cpu, " %"), Spread(before.play_cpu, " %"),
      "<= 0.6 x baseline");
  Row("peak RSS after the title", Spread(now.title_rss, " MB"), Spread(before.title_rss, " MB"),
      "<= 30 MB");
  Row("peak RSS, window + title piece", Spread(now.rss_title_piece, " MB"),
      Spread(before.rss_title_piece, " MB"), "");
  Row("peak RSS, after all four pieces", Spread(now.rss_all_pieces, " MB"),
      Spread(before.rss_all_pieces, " MB"), "<= 35 MB");
  Row("play frame period p50 / p99", periods(now), periods(before), "40 ms frames");
  std::printf(
      "  (machine busy %.0f %% of its %ld cores while measuring; load average %.1f at "
      "the end)\n",
      machine_load.BusyPercent(), sysconf(_SC_NPROCESSORS_ONLN), LoadAverage());
  std::printf("Drawing (processor time per call):\n");
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  CrossFades();
  Line("one play frame's composition", Format("%.1f us", CompositionMicroseconds(scratch.dir)));
  std::printf("Headless game, 10 minutes of scripted play with a trace:\n");
  const std::string program = (here / "kolvar").string();
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
