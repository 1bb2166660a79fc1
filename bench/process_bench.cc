// Whole-process benchmarks: what one check costs the machine that runs the
// monitor, measured as the monitor sees it, from starting the program to
// its end.
//
// - A single check against the simulated library (1,000 sessions), against
//   starting a trivial program (`true`), as the ratio of the medians of
//   runs taken alternately in the same benchmark. Target: within 1.5x.
// - The check's peak resident memory. Target: at most 8 MB.
// - A listing over 50, 100 and 200 systems: the cost per system must not
//   grow with the systems.
//
// The scratch landscape (profiles made with the program's own password
// routine, a SapSim.ini for the simulated library) is laid out in a
// temporary directory and removed afterwards.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/posix_process.h"
#include "support/sample_profile.h"

namespace {

namespace fs = std::filesystem;

struct RunResult {
  double seconds = 0;
  long peak_rss_kib = 0;
  int status = -1;
};

// Starts `argv` in `dir` with its output thrown away and waits for it.
RunResult Run(const fs::path& dir, const std::vector<std::string>& args) {
  tolvaran::PosixLaunch launch;
  launch.argv = args;
  launch.directory = dir.string();
  launch.streams[1] = tolvaran::kNullStream;
  RunResult result;
  auto start = std::chrono::steady_clock::now();
  tolvaran::LaunchResult launched = tolvaran::LaunchProcess(launch);
  if (launched.started) {
    int status = 0;
    struct rusage usage;
    if (wait4(launched.pid, &status, 0, &usage) == launched.pid) {
      result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      result.peak_rss_kib = usage.ru_maxrss;
    }
  }
  result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return result;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

void WriteFile(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

std::string Profile(const std::string& destination, const std::string& host, int sysnr) {
  return tolvaran::SampleProfile({destination, host, sysnr, ""});
}

std::string SimSystem(const std::string& destination, const std::string& host, int sysnr,
                      int sessions) {
  return "[" + destination + "]\nhost = " + host + "\nsysnr = " + std::to_string(sysnr % 100) +
         "\nclient = 100\nuser = SAPMON\npassword = Secret99\nusers = generate " +
         std::to_string(sessions) + "\n";
}

// A landscape of PRD and `systems` listed systems S001... in a fresh
// directory, with the simulated library's SapSim.ini.
class Landscape {
 public:
  Landscape(int systems, int sessions) {
    char pattern[] = "/tmp/tolvaran-bench-XXXXXX";
    dir_ = mkdtemp(pattern);
    std::string sim = SimSystem("PRD", "prdhost", 0, sessions);
    std::string index;
    WriteFile(dir_ / "PRD.P00", Profile("PRD", "prdhost", 0));
    for (int i = 1; i <= systems; ++i) {
      char name[16];
      std::snprintf(name, sizeof name, "S%03d", i);
      std::string host = std::string("host") + name;
      sim += SimSystem(name, host, i, sessions);
      WriteFile(dir_ / (std::string(name) + ".P00"), Profile(name, host, i));
      if ((i - 1) % 20 == 0) index += "\n# Gsng: Bench.......";
      index += std::string(name) + ".P00#";
    }
    WriteFile(dir_ / "SapSim.ini", sim);
    WriteFile(dir_ / "Dalvenor.Prf", index + "\n");
  }
  ~Landscape() {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  const fs::path& dir() const { return dir_; }

 private:
  fs::path dir_;
};

// Arguments: rounds, and the sessions of the simulated system (1,000 is the
// measure; 0 shows what the program costs without the simulated library's
// work of building a user list).
void BM_CheckAgainstTrue(benchmark::State& state) {
  Landscape landscape(0, static_cast<int>(state.range(1)));
  const std::vector<std::string> check = {TOLVARAN_BENCH_PROGRAM, "PRD"};
  const std::vector<std::string> trivial = {TOLVARAN_BENCH_TRUE};
  if (Run(landscape.dir(), check).status != 0) {
    state.SkipWithError("the check does not succeed");
    return;
  }
  const int rounds = static_cast<int>(state.range(0));
  for (auto _ : state) {
    std::vector<double> checks, trues;
    long peak = 0;
    for (int i = 0; i < rounds; ++i) {
      trues.push_back(Run(landscape.dir(), trivial).seconds);
      RunResult r = Run(landscape.dir(), check);
      checks.push_back(r.seconds);
      peak = std::max(peak, r.peak_rss_kib);
    }
    const double check_median = Median(checks);
    const double true_median = Median(trues);
    state.SetIterationTime(check_median);
    state.counters["true_us"] = true_median * 1e6;
    state.counters["check_us"] = check_median * 1e6;
    state.counters["ratio"] = check_median / true_median;
    state.counters["peak_rss_kib"] = static_cast<double>(peak);
  }
}
BENCHMARK(BM_CheckAgainstTrue)
    ->Args({300, 1000})
    ->Args({300, 0})
    ->ArgNames({"rounds", "sessions"})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

void BM_Listing(benchmark::State& state) {
  const int systems = static_cast<int>(state.range(0));
  Landscape landscape(systems, 1000);
  const std::vector<std::string> listing = {TOLVARAN_BENCH_PROGRAM, "X", "ITEM=Session(s)"};
  for (auto _ : state) {
    RunResult r = Run(landscape.dir(), listing);
    if (r.status != 0) {
      state.SkipWithError("the listing did not end with status 0");
      break;
    }
    state.SetIterationTime(r.seconds);
  }
  state.SetComplexityN(systems);
  state.counters["per_system"] = benchmark::Counter(
      systems, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_Listing)
    ->Arg(50)
    ->Arg(100)
    ->Arg(200)
    ->ArgName("systems")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

}  // namespace

BENCHMARK_MAIN();
