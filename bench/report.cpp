// One performance report, run by scripts/bench from the build folder: the
// real program's start, processor use and memory on the title and in
// scripted play, measured as a separate process in the conditions any
// machine can give it (Xvfb, SDL's real-time disk audio driver), side by
// side with an older build's; then the cross-fade against its literal
// form, one play frame's composition and the headless game's speed, each
// in processor time and in instructions, side by side with the build
// before (kolvar_frame_probe and kolvar of each).
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
#include <functional>
#include <initializer_list>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "machine_load.h"

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

using bench::StatCpuSeconds;

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
  static std::pair<double, double> Read() { return kolvar::bench::ReadMachineTicks(); }
  std::pair<double, double> begin_;
  double busy_ = 0, total_ = 0;
};

MachineLoad machine_load;

// Rounds of the drawing and headless figures, the builds taken in turn.
constexpr int kDrawingRounds = 3;

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

// The headless game's command line: the script above, traced, to 600 s.
std::vector<std::string> HeadlessArguments(const std::string& program, const fs::path& scratch,
                                           bool shot_pending) {
  const fs::path script = scratch / "headless.in", trace = scratch / "headless.jsonl";
  WriteHeadlessScript(script);
  std::vector<std::string> args = {program,   "--headless",   "--input",   script.string(),
                                   "--trace", trace.string(), "--quit-at", "600000"};
  if (shot_pending) {
    args.push_back("--shot");
    args.push_back("599999:" + (scratch / "last.png").string());
  }
  return args;
}

HeadlessFigures Headless(const std::string& program, const fs::path& scratch, bool shot_pending) {
  const fs::path trace = scratch / "headless.jsonl";
  const std::vector<std::string> args = HeadlessArguments(program, scratch, shot_pending);
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

// The drawing figures of one build's kolvar_frame_probe: microseconds per
// call, and instructions per call when valgrind counted them.
struct DrawingFigures {
  std::map<std::string, double> us;            // "blend 10", "literal 10", ..., "compose"
  std::map<std::string, double> instructions;  // the same names
};

// The program `name` as found on PATH, or empty.
std::string OnPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::istringstream folders(path ? path : "");
  for (std::string folder; std::getline(folders, folder, ':');) {
    const fs::path candidate = fs::path(folder) / name;
    if (access(candidate.c_str(), X_OK) == 0) return candidate.string();
  }
  return "";
}

const std::string& Valgrind() {
  static const std::string valgrind = OnPath("valgrind");
  return valgrind;
}

// Runs `args` in `dir` with its output in `out` and waits; false when it
// did not end well.
bool RunToEnd(const std::vector<std::string>& args, const fs::path& dir, const fs::path& out) {
  const pid_t pid = Spawn(args, {}, dir, out.string());
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The instructions `args` runs, counted by valgrind's callgrind; 0 without
// valgrind or when the run fails.
double Instructions(std::vector<std::string> args, const fs::path& dir, const fs::path& scratch) {
  if (Valgrind().empty()) return 0;
  const fs::path counts = scratch / "callgrind.out";
  args.insert(args.begin(),
              {Valgrind(), "--tool=callgrind", "--callgrind-out-file=" + counts.string()});
  if (!RunToEnd(args, dir, scratch / "callgrind.txt")) return 0;
  std::ifstream in(counts);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("summary:", 0) == 0) return std::stod(line.substr(8));
  }
  return 0;
}

// The probe's timed run, the best of each figure kept over the runs.
void TimeDrawing(const fs::path& build, const fs::path& scratch, DrawingFigures& f) {
  const fs::path out = scratch / "probe.txt";
  if (!RunToEnd({(build / "kolvar_frame_probe").string()}, build, out)) {
    std::fprintf(stderr, "kolvar_report: %s/kolvar_frame_probe failed\n", build.c_str());
    return;
  }
  std::ifstream in(out);
  auto keep = [&](const std::string& name, double us) {
    f.us[name] = f.us.count(name) ? std::min(f.us[name], us) : us;
  };
  for (std::string word; in >> word;) {
    if (word == "blend") {
      std::string percent;
      double fast = 0, literal = 0;
      in >> percent >> fast >> literal;
      keep("blend " + percent, fast);
      keep("literal " + percent, literal);
    } else if (word == "compose") {
      double us = 0;
      in >> us;
      keep("compose", us);
    }
  }
}

// Instructions per call: the probe's run with 8 calls less its run with none.
void CountDrawing(const fs::path& build, const fs::path& scratch, DrawingFigures& f) {
  constexpr int kCalls = 8;
  const std::string probe = (build / "kolvar_frame_probe").string();
  auto per_call = [&](const std::string& what, const std::string& percent) {
    const double none = Instructions({probe, "--calls", "0", what, percent}, build, scratch);
    const double some =
        Instructions({probe, "--calls", std::to_string(kCalls), what, percent}, build, scratch);
    return none > 0 && some > 0 ? (some - none) / kCalls : 0;
  };
  for (const char* percent : {"10", "40", "50"}) {
    f.instructions[std::string("blend ") + percent] = per_call("blend", percent);
    f.instructions[std::string("literal ") + percent] = per_call("literal", percent);
  }
  f.instructions["compose"] = per_call("compose", "0");
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

// The window's figures, over `rounds` rounds with the builds taken in turn.
void WindowFigures(int rounds, const std::vector<fs::path>& builds, const fs::path& scratch) {
  std::vector<Figures> figures(builds.size());
  for (int round = 0; round < rounds; ++round) {
    for (size_t b = 0; b < builds.size(); ++b) {
      const std::string program = (builds[b] / "kolvar").string();
      const fs::path dir = scratch / ("b" + std::to_string(b));
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
}

// The cross-fade, one play frame's drawing and the headless game, of this
// build and of `earlier` (none: this build alone), taken in turn.
void DrawingAndHeadless(const fs::path& here, const fs::path& earlier, const fs::path& scratch) {
  MachineLoad drawing_load;
  const double load_before = LoadAverage();
  drawing_load.Begin();
  std::vector<fs::path> sides = {here};
  if (!earlier.empty()) sides.push_back(earlier);
  std::vector<DrawingFigures> drawing(sides.size());
  std::vector<std::vector<HeadlessFigures>> headless(sides.size());
  for (int round = 0; round < kDrawingRounds; ++round) {
    for (size_t b = 0; b < sides.size(); ++b) {
      TimeDrawing(sides[b], scratch, drawing[b]);
      headless[b].push_back(Headless((sides[b] / "kolvar").string(), scratch, false));
    }
  }
  drawing_load.End();
  std::vector<double> headless_instructions(sides.size());
  for (size_t b = 0; b < sides.size(); ++b) {
    CountDrawing(sides[b], scratch, drawing[b]);
    const HeadlessFigures& any = headless[b].front();
    headless_instructions[b] =
        any.frames ? Instructions(HeadlessArguments((sides[b] / "kolvar").string(), scratch, false),
                                  scratch, scratch) /
                         double(any.frames)
                   : 0;
  }
  std::printf(
      "\nDrawing and the headless game%s\n"
      "Method: processor time (the calling thread's for drawing: the best of five batches in each\n"
      "of %d runs of kolvar_frame_probe, a 320 x 240 picture; the whole process's for the "
      "headless\n"
      "game: kolvar --headless, 10 minutes of scripted play with a trace, %d runs, best and\n"
      "median), builds taken in turn. Instructions: valgrind's callgrind (%s),\n"
      "the same count on any x86-64 machine with the same build and libraries, whatever the\n"
      "machine's load.\n",
      earlier.empty() ? "" : (", this build beside " + earlier.filename().string()).c_str(),
      kDrawingRounds, kDrawingRounds,
      Valgrind().empty() ? "not installed: no counts" : "per call, or per play frame");
  std::printf("\n  %-34s %-24s %-24s %s\n", "", "this build", earlier.empty() ? "" : "before",
              "goal");
  auto side = [&](size_t b, const std::function<std::string(size_t)>& figure) {
    return b < sides.size() ? figure(b) : std::string("-");
  };
  auto count = [](double instructions) {
    return instructions > 0 ? Format("%.0f k instr.", instructions / 1000) : std::string("-");
  };
  for (const char* percent : {"10", "40", "50"}) {
    const std::string blend = std::string("blend ") + percent;
    const std::string literal = std::string("literal ") + percent;
    auto ratio = [&](size_t b) {
      const DrawingFigures& f = drawing[b];
      if (!f.us.count(blend) || f.us.at(blend) <= 0) return std::string("-");
      return Format("%.0f us: %.1fx literal", f.us.at(blend), f.us.at(literal) / f.us.at(blend));
    };
    auto counted = [&](size_t b) {
      const DrawingFigures& f = drawing[b];
      if (!f.instructions.count(blend) || f.instructions.at(blend) <= 0) return std::string("-");
      return count(f.instructions.at(blend)) +
             Format(" %.1fx", f.instructions.at(literal) / f.instructions.at(blend));
    };
    const std::string what = std::string("BlendRect 320 x 240 at ") + percent + " %";
    Row(what.c_str(), side(0, ratio), side(1, ratio), ">= 5x");
    Row("  instructions, and the literal's", side(0, counted), side(1, counted), "");
  }
  auto compose = [&](size_t b) {
    return drawing[b].us.count("compose") ? Format("%.1f us", drawing[b].us.at("compose"))
                                          : std::string("-");
  };
  auto compose_count = [&](size_t b) {
    return drawing[b].instructions.count("compose") ? count(drawing[b].instructions.at("compose"))
                                                    : std::string("-");
  };
  Row("one play frame's composition", side(0, compose), side(1, compose), "");
  Row("  instructions", side(0, compose_count), side(1, compose_count), "");
  auto frames_per_second = [&](size_t b) {
    std::vector<double> rates;
    for (const HeadlessFigures& h : headless[b]) {
      if (h.cpu_seconds > 0) rates.push_back(double(h.frames) / h.cpu_seconds);
    }
    if (rates.empty()) return std::string("-");
    return Format("%.0f (median %.0f)", *std::max_element(rates.begin(), rates.end()),
                  Median(rates));
  };
  auto per_frame = [&](size_t b) { return count(headless_instructions[b]); };
  Row("headless play frames per CPU s", side(0, frames_per_second), side(1, frames_per_second),
      ">= 40,000");
  Row("  instructions per play frame", side(0, per_frame), side(1, per_frame), "");
  const HeadlessFigures& one = headless[0].front();
  std::printf(
      "  (%zu play frames a run; machine busy %.0f %% of its %ld cores while timing; load\n"
      "  average %.1f at the start, %.1f at the end)\n",
      one.frames, drawing_load.BusyPercent(), sysconf(_SC_NPROCESSORS_ONLN), load_before,
      LoadAverage());
  const HeadlessFigures copying = Headless((here / "kolvar").string(), scratch, true);
  Line("this build with a screenshot pending",
       Format("%.0f play frames per CPU s (every shown picture copied)",
              double(copying.frames) / copying.cpu_seconds));
}

}  // namespace
}  // namespace kolvar

// Usage: kolvar_report [--rounds N] [--before BUILD] [BASELINE_BUILD], from
// a build folder. --rounds 0 leaves the window's figures out; the drawing
// and the headless game are measured beside BUILD (an older build folder
// with its own kolvar_frame_probe, which scripts/bench makes) when given.
// The real program of this folder (./kolvar, with ./kolvar_music_probe) is
// measured as a separate process, side by side with BASELINE_BUILD's (an
// older build folder, which scripts/bench makes) when given. The window's
// figures need an X display (scripts/bench starts Xvfb) and xdotool.
int main(int argc, char** argv) {
  using namespace kolvar;
  int rounds = 3;
  fs::path baseline, earlier;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--rounds") == 0 && i + 1 < argc) {
      rounds = std::max(0, std::atoi(argv[++i]));
    } else if (std::strcmp(argv[i], "--before") == 0 && i + 1 < argc) {
      earlier = fs::absolute(argv[++i]);
    } else {
      baseline = fs::absolute(argv[i]);
    }
  }
  const fs::path here = fs::current_path();
  std::vector<fs::path> builds = {here};
  if (!baseline.empty()) builds.push_back(baseline);
  auto lacks = [](const fs::path& build, std::initializer_list<const char*> files) {
    for (const char* needed : files) {
      if (!fs::exists(build / needed)) {
        std::fprintf(stderr, "kolvar_report: no %s in %s (run me from the build folder)\n", needed,
                     build.c_str());
        return true;
      }
    }
    return false;
  };
  for (const fs::path& build : builds) {
    if (rounds > 0 && lacks(build, {"kolvar", "kolvar_music_probe", "DATA", "MIDI"})) return 1;
  }
  for (const fs::path& build : {here, earlier}) {
    if (!build.empty() && lacks(build, {"kolvar", "kolvar_frame_probe", "DATA"})) return 1;
  }
  if (rounds > 0 && !std::getenv("DISPLAY")) {
    std::fprintf(stderr,
                 "kolvar_report: the window's figures need an X display (DISPLAY); "
                 "scripts/bench starts Xvfb\n");
    return 1;
  }
  Scratch scratch;
  std::printf("Kolvar performance report: %ld cores (%s), load average %.1f at the start\n",
              sysconf(_SC_NPROCESSORS_ONLN), CpuModel().c_str(), LoadAverage());
  if (rounds > 0) {
    std::printf(
        "Method: the real program as a separate process; X on Xvfb, a 960 x 720 window (scale "
        "3),\nsoftware renderer; SDL's disk audio driver into /dev/null (renders in real time); "
        "CPU is\nthe process's CPU time over wall time from /proc/PID/stat; %d rounds, builds "
        "taken in turn\neach round; median (range). First pictures: SDL's dummy video driver "
        "saving every frame.\n",
        rounds);
    std::fflush(stdout);
    WindowFigures(rounds, builds, scratch.dir);
  }
  DrawingAndHeadless(here, earlier, scratch.dir);
  return 0;
}
