// The stage proofs' figures, run by scripts/bench from the build folder
// after kolvar_report: `kolvar --check-stages` of this build and of the
// build before, each a separate process, on the game's two stage sets and
// on a stage no one can clear.
//
//   kolvar_proof_report [--rounds N] [--before BUILD]
//
// Each stage's proof is the process's processor time (all its threads,
// from /proc/PID/stat) between the line before the stage's and the stage's
// own line: the search, and the replay of its clear. This build proves
// with --runs 0 (no player models); its ratings are timed in a run of their
// own. The build before has neither --budget nor --runs: its --check-stages
// only searches, so that is what is timed. Figures only: nothing here
// passes or fails.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "machine_load.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

// utime + stime of a process, dead threads included, in seconds.
double ProcessCpuSeconds(pid_t pid) {
  return kolvar::bench::StatCpuSeconds("/proc/" + std::to_string(pid) + "/stat");
}

double LoadAverage() {
  double load[3] = {};
  getloadavg(load, 3);
  return load[0];
}

// The whole machine's busy share over the report: jiffies from /proc/stat.
class MachineLoad {
 public:
  MachineLoad() : begin_(Read()) {}
  double BusyPercent() const {
    const auto [busy, total] = Read();
    return total > begin_.second ? 100.0 * (busy - begin_.first) / (total - begin_.second) : 0;
  }

 private:
  static std::pair<double, double> Read() { return kolvar::bench::ReadMachineTicks(); }
  std::pair<double, double> begin_;
};

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

// One run of a --check-stages: each stage line with the processor time
// spent on it, and the whole process's.
struct StageTime {
  std::string line;
  double cpu = 0;
  bool cleared = false;
};
struct CheckRun {
  std::vector<StageTime> stages;
  double cpu = 0, wall = 0;
  bool ok = false;  // started, and ended by itself
};

CheckRun RunCheck(const std::vector<std::string>& args) {
  CheckRun run;
  int out[2];
  if (pipe(out) != 0) return run;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const auto started = std::chrono::steady_clock::now();
  pid_t pid = -1;
  const int error = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  if (error != 0) {
    close(out[0]);
    std::fprintf(stderr, "kolvar_proof_report: cannot start %s: %s\n", argv[0],
                 std::strerror(error));
    return run;
  }
  // The stage lines name a stage file ("...stageNN.txt: "); the time before
  // the first is the pack's reading.
  std::FILE* lines = fdopen(out[0], "r");
  double mark = -1;
  char* text = nullptr;
  size_t size = 0;
  while (getline(&text, &size, lines) > 0) {
    const double now = ProcessCpuSeconds(pid);
    const std::string line = text;
    if (line.find(".txt: \"") != std::string::npos && mark >= 0) {
      const bool cleared = line.find("\" cleared in ") != std::string::npos;
      run.stages.push_back({line.substr(0, line.find('\n')), now - mark, cleared});
    }
    mark = now;
  }
  std::free(text);
  std::fclose(lines);
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  run.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  run.cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
            static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
  run.ok = WIFEXITED(status);
  return run;
}

// The stage no one can clear: a den of fast hunters that never give up a
// chase, round the key chest (the stage proof tests' own): every rule
// kept, and no way out again with the key.
void WriteDen(const fs::path& folder) {
  fs::create_directories(folder);
  std::ofstream(folder / "pack.txt") << "name: The Den\nauthor: the bench\n";
  std::ofstream stage(folder / "stage01.txt");
  stage << "title: The Demons' Den\nmap:\n";
  for (const char* row :
       {"#############E############", "S..................#######", "##################.#######",
        "##################.#9.9.9#", "##################.#.....#", "##################.#.9.9.#",
        "##################.......K", "##################.#...9.#", "##################.#.....#",
        "##################.#9.9.9#", "##################.#######", "##########################"}) {
    stage << row << "______\n";
  }
  for (int r = 12; r < 32; ++r) stage << std::string(32, '_') << "\n";
}

struct BuildFigures {
  std::vector<std::vector<double>> stage_cpu;  // per stage, one a round
  std::vector<std::string> names;
  int proved = 0;  // in the first round
  double both_rated = -1;
  CheckRun den;
};

std::string Seconds(double s) {
  char text[32];
  std::snprintf(text, sizeof text, s < 10 ? "%.2f s" : "%.1f s", s);
  return text;
}

void Row(const char* what, const std::string& now, const std::string& before, const char* goal) {
  std::printf("  %-38s %-28s %-28s %s\n", what, now.c_str(), before.c_str(), goal);
}

}  // namespace

int main(int argc, char** argv) {
  int rounds = 3;
  fs::path earlier;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--rounds") == 0 && i + 1 < argc) {
      rounds = std::max(1, std::atoi(argv[++i]));
    } else if (std::strcmp(argv[i], "--before") == 0 && i + 1 < argc) {
      earlier = fs::absolute(argv[++i]);
    } else {
      std::fprintf(stderr, "usage: kolvar_proof_report [--rounds N] [--before BUILD]\n");
      return 2;
    }
  }
  const fs::path here = fs::current_path();
  const std::vector<fs::path> packs = {here / "stages" / "kolvar", here / "stages" / "deep-halls"};
  for (const fs::path& needed : {here / "kolvar", packs[0], packs[1]}) {
    if (!fs::exists(needed)) {
      std::fprintf(stderr, "kolvar_proof_report: no %s (run me from the build folder)\n",
                   needed.c_str());
      return 1;
    }
  }
  char scratch_name[] = "/tmp/kolvar_proofs_XXXXXX";
  if (!mkdtemp(scratch_name)) {
    std::perror("kolvar_proof_report: mkdtemp");
    return 1;
  }
  const fs::path den = fs::path(scratch_name) / "den";
  WriteDen(den);

  std::vector<fs::path> sides = {here};
  if (!earlier.empty()) sides.push_back(earlier);
  std::vector<BuildFigures> figures(sides.size());
  const MachineLoad load;
  const double load_start = LoadAverage();
  // The build before searches for minutes: it is timed once, this build in
  // `rounds` rounds (each stage's median).
  for (int round = 0; round < rounds; ++round) {
    for (size_t b = 0; b < sides.size(); ++b) {
      if (b > 0 && round > 0) continue;
      const std::string program = (sides[b] / "kolvar").string();
      BuildFigures& f = figures[b];
      size_t stage = 0;
      for (const fs::path& pack : packs) {
        std::vector<std::string> args = {program, "--check-stages", pack.string()};
        if (b == 0) args.insert(args.end(), {"--runs", "0"});
        const CheckRun run = RunCheck(args);
        for (const StageTime& s : run.stages) {
          if (f.stage_cpu.size() <= stage) {
            f.stage_cpu.emplace_back();
            f.names.push_back(pack.filename().string() + " " +
                              std::to_string(&s - run.stages.data() + 1));
          }
          f.stage_cpu[stage++].push_back(s.cpu);
          if (round == 0) f.proved += s.cleared;
        }
      }
      if (round == 0) {
        std::vector<std::string> args = {program, "--check-stages", den.string()};
        if (b == 0) args.insert(args.end(), {"--runs", "0"});
        f.den = RunCheck(args);
        if (b == 0) {
          f.both_rated = 0;
          for (const fs::path& pack : packs) {
            f.both_rated +=
                RunCheck({program, "--check-stages", pack.string(), "--runs", "50"}).cpu;
          }
        }
      }
      std::fprintf(stderr, "kolvar_proof_report: round %d of %d, %s done\n", round + 1, rounds,
                   b == 0 ? "this build" : "the build before");
    }
  }
  fs::remove_all(scratch_name);

  std::printf(
      "\nStage proofs%s\n"
      "Method: kolvar --check-stages as a separate process, its processor time (all threads, "
      "from\n/proc/PID/stat) between one stage's line and the next: the search and the replay "
      "of its clear.\nThis build: --runs 0 (the proofs alone), the default budget, two threads; "
      "each stage's median\nof %d runs. Before: its --check-stages, which only searches (no "
      "budget, no player models),\none run. Both on the same 32 stages (this build's "
      "stages/kolvar and stages/deep-halls).\n",
      earlier.empty() ? "" : (", this build beside " + earlier.filename().string()).c_str(),
      rounds);
  std::printf("\n  %-38s %-28s %-28s %s\n", "", "this build", earlier.empty() ? "" : "before",
              "goal");
  auto side = [&](size_t b, auto figure) {
    return b < figures.size() && !figures[b].stage_cpu.empty() ? figure(figures[b])
                                                               : std::string("-");
  };
  auto longest = [](const BuildFigures& f) {
    size_t at = 0;
    for (size_t i = 0; i < f.stage_cpu.size(); ++i) {
      if (Median(f.stage_cpu[i]) > Median(f.stage_cpu[at])) at = i;
    }
    return Seconds(Median(f.stage_cpu[at])) + " (" + f.names[at] + ")";
  };
  auto median = [](const BuildFigures& f) {
    std::vector<double> each;
    for (const std::vector<double>& cpu : f.stage_cpu) each.push_back(Median(cpu));
    return Seconds(Median(each));
  };
  auto rated = [](const BuildFigures& f) {
    if (f.both_rated >= 0) return Seconds(f.both_rated);
    double proofs = 0;
    for (const std::vector<double>& cpu : f.stage_cpu) proofs += cpu.front();
    return "no rating; proofs " + Seconds(proofs);
  };
  auto den_answer = [](const BuildFigures& f) {
    const bool none = !f.den.stages.empty() && !f.den.stages.front().cleared &&
                      f.den.stages.front().line.find("no way found") != std::string::npos;
    return Seconds(f.den.cpu) + (none ? ", no way found" : ", NOT answered 'no way found'");
  };
  auto proved = [](const BuildFigures& f) {
    return std::to_string(f.proved) + " of " + std::to_string(f.stage_cpu.size());
  };
  Row("a shipped stage's proof, the longest", side(0, longest), side(1, longest), "<= 2 s");
  Row("a shipped stage's proof, the median", side(0, median), side(1, median), "<= 0.5 s");
  Row("both sets proved and rated (50 runs)", side(0, rated), side(1, rated), "<= 60 s");
  Row("a stage no one can clear (The Den)", side(0, den_answer), side(1, den_answer), "<= 10 s");
  Row("proofs found and replayed", side(0, proved), side(1, proved), "32 of 32");
  std::printf(
      "  (rated: both sets with --runs 50, each stage by the slow, casual and practised "
      "player, 50\n  runs each, processor time of the whole process. The Den: the default "
      "budget, the process's\n  processor time. Replayed: this build plays each clear's keys "
      "on the headless runner, the\n  build before its moves through the rules on the bots' "
      "machine. Machine busy %.0f %% of its\n  %ld cores while measuring; load average %.1f at "
      "the start, %.1f at the end.)\n",
      load.BusyPercent(), sysconf(_SC_NPROCESSORS_ONLN), load_start, LoadAverage());
  return 0;
}
