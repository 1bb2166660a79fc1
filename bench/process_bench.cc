// Whole-process benchmarks: what one check costs the machine that runs the
// monitor, measured as the monitor sees it, from starting the program to
// its end.
//
// - A single check against the simulated library (1,000 sessions), against
//   starting a trivial program (`true`), as the ratio of the medians of
//   runs taken alternately in the same benchmark. Target: within 1.5x.
// - The same check against a bare client (`bare_client`) that does the
//   check's library work and nothing else, run in turn with it: the ratios
//   of each pair's CPU and wall time, their medians. Target: within 1.10x.
// - The check's peak resident memory. Target: at most 8 MB.
// - A listing over 50, 100 and 200 systems: the cost per system, in wall
//   and CPU time (the workers' included), must not grow with the systems.
// - SERVERS=ALL over a system of 16 application servers, each answering
//   100 ms late, against a check of one of them. Target: within 3x.
// - A check of every health measurement (MEASURE=ALL) against the user
//   list's, paired. Target: within 1.5x; with 100 ms per call, no more
//   round trips than openings and function-module calls.
// - Large landscapes: a listing of 10,000 systems; one check in a landscape
//   of 10,000 systems against the same check in one of a single system
//   (target: about the same); one check of a system with 2,000 application
//   servers (target: well under 100 MB).
//
// The scratch landscape (profiles made with the program's own password
// routine, a SapSim.ini for the simulated library) is laid out in a
// temporary directory and removed afterwards.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/time.h>
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
  double cpu_seconds = 0;  // user and system, with the children it waited for
  long peak_rss_kib = 0;
  int status = -1;
};

double Seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec * 1e-6; }

// Starts `argv` in `dir` with its output thrown away (or written to the
// descriptor `out`) and waits for it; `input` is its standard input,
// through a pipe.
RunResult Run(const fs::path& dir, const std::vector<std::string>& args,
              const std::string& input = "", int out = tolvaran::kNullStream) {
  tolvaran::PosixLaunch launch;
  launch.argv = args;
  launch.directory = dir.string();
  launch.streams[1] = out;
  int in[2] = {-1, -1};
  if (!input.empty() && pipe(in) == 0) {
    // Small enough for the pipe's buffer: written whole before the start
    // (a failed write leaves the child an empty input, and it fails).
    const ssize_t written = write(in[1], input.data(), input.size());
    static_cast<void>(written);
    close(in[1]);
    launch.streams[0] = in[0];
  }
  RunResult result;
  auto start = std::chrono::steady_clock::now();
  tolvaran::LaunchResult launched = tolvaran::LaunchProcess(launch);
  if (launched.started) {
    int status = 0;
    struct rusage usage;
    if (wait4(launched.pid, &status, 0, &usage) == launched.pid) {
      result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      result.peak_rss_kib = usage.ru_maxrss;
      result.cpu_seconds = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
    }
  }
  result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (in[0] >= 0) close(in[0]);
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

// The check against the bare client, run in turn so that both see the same
// machine; the ratios are taken pair by pair (a pair with a CPU time of 0
// in the accounting's ticks is left out of the CPU ratio).
void BM_CheckAgainstBareClient(benchmark::State& state) {
  Landscape landscape(0, static_cast<int>(state.range(1)));
  const std::vector<std::string> check = {TOLVARAN_BENCH_PROGRAM, "PRD"};
  const std::vector<std::string> bare = {
      TOLVARAN_BENCH_BARE_CLIENT, TOLVARAN_BENCH_LIBRARY, "prdhost", "0", "100", "SAPMON"};
  const std::string password = "Secret99\n";
  if (Run(landscape.dir(), check).status != 0 || Run(landscape.dir(), bare, password).status != 0) {
    state.SkipWithError("the check or the bare client does not succeed");
    return;
  }
  const int rounds = static_cast<int>(state.range(0));
  for (auto _ : state) {
    std::vector<double> checks, bares, check_cpu, bare_cpu, wall_ratios, cpu_ratios;
    for (int i = 0; i < rounds; ++i) {
      RunResult c = Run(landscape.dir(), check);
      RunResult b = Run(landscape.dir(), bare, password);
      checks.push_back(c.seconds);
      bares.push_back(b.seconds);
      check_cpu.push_back(c.cpu_seconds);
      bare_cpu.push_back(b.cpu_seconds);
      wall_ratios.push_back(c.seconds / b.seconds);
      if (b.cpu_seconds > 0) cpu_ratios.push_back(c.cpu_seconds / b.cpu_seconds);
    }
    state.SetIterationTime(Median(checks));
    state.counters["check_us"] = Median(checks) * 1e6;
    state.counters["bare_us"] = Median(bares) * 1e6;
    state.counters["check_cpu_us"] = Median(check_cpu) * 1e6;
    state.counters["bare_cpu_us"] = Median(bare_cpu) * 1e6;
    state.counters["ratio"] = Median(wall_ratios);
    if (!cpu_ratios.empty()) state.counters["cpu_ratio"] = Median(cpu_ratios);
  }
}
BENCHMARK(BM_CheckAgainstBareClient)
    ->Args({300, 1000})
    ->ArgNames({"rounds", "sessions"})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

void BM_Listing(benchmark::State& state) {
  const int systems = static_cast<int>(state.range(0));
  Landscape landscape(systems, 1000);
  const std::vector<std::string> listing = {TOLVARAN_BENCH_PROGRAM, "X", "ITEM=Session(s)"};
  double cpu = 0;
  for (auto _ : state) {
    RunResult r = Run(landscape.dir(), listing);
    if (r.status != 0) {
      state.SkipWithError("the listing did not end with status 0");
      break;
    }
    state.SetIterationTime(r.seconds);
    cpu += r.cpu_seconds;
  }
  state.SetComplexityN(systems);
  state.counters["per_system"] = benchmark::Counter(
      systems, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  // The parent's and its workers' CPU time, per system.
  const double iterations = static_cast<double>(state.iterations());
  if (iterations > 0) state.counters["cpu_us_per_system"] = cpu / iterations / systems * 1e6;
}
BENCHMARK(BM_Listing)
    ->Arg(50)
    ->Arg(100)
    ->Arg(200)
    ->ArgName("systems")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

// A system of `servers` application servers (its own, prdhost_PRD_00, and
// prdappNN_PRD_NN), each taking `delayMs` longer for every opening and
// every call, and SOLO, the same as a system of one server.
class ServerLandscape {
 public:
  ServerLandscape(int servers, int delayMs) {
    char pattern[] = "/tmp/tolvaran-bench-XXXXXX";
    dir_ = mkdtemp(pattern);
    const std::string delay = "delay = " + std::to_string(delayMs) + "\n";
    std::string sim = SimSystem("PRD", "prdhost", 0, 100) + delay;
    for (int i = 1; i < servers; ++i) {
      char section[96];
      std::snprintf(section, sizeof section, "[PRD/prdapp%02d_PRD_%02d]\nhost = prdapp%02d\n", i, i,
                    i);
      sim += section + std::string("sysnr = ") + std::to_string(i) + "\n";
    }
    sim += SimSystem("SOLO", "solohost", 0, 100) + delay;
    WriteFile(dir_ / "SapSim.ini", sim);
    WriteFile(dir_ / "PRD.P00", Profile("PRD", "prdhost", 0));
    WriteFile(dir_ / "SOLO.P00", Profile("SOLO", "solohost", 0));
  }
  ~ServerLandscape() {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  const fs::path& dir() const { return dir_; }

 private:
  fs::path dir_;
};

// What `args` writes, when it ends with status 0.
std::string Output(const fs::path& dir, const std::vector<std::string>& args) {
  const fs::path file = dir / "output.txt";
  std::FILE* out = std::fopen(file.c_str(), "w+");
  if (out == nullptr) return "";
  std::string text;
  if (Run(dir, args, "", fileno(out)).status == 0) {
    std::rewind(out);
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, out)) > 0;)
      text.append(buffer, n);
  }
  std::fclose(out);
  return text;
}

// Arguments: rounds, JOBS= and the servers' delay. The measure is JOBS=8
// with 100 ms; JOBS=16 starts every other server at once, which leaves the
// pool's waves out, and 0 ms leaves what the program itself costs. Each
// round runs three checks one after the other: of one server (`one_ms`), of
// all (`all_ms`), and of all on a system of one server (`solo_all_ms`: the
// part before the other servers' workers are started).
void BM_ServersAll(benchmark::State& state) {
  ServerLandscape landscape(16, static_cast<int>(state.range(2)));
  const std::string jobs = "JOBS=" + std::to_string(state.range(1));
  const std::vector<std::string> one = {TOLVARAN_BENCH_PROGRAM, "PRD"};
  const std::vector<std::string> all = {TOLVARAN_BENCH_PROGRAM, "PRD", "SERVERS=ALL", jobs};
  const std::vector<std::string> solo = {TOLVARAN_BENCH_PROGRAM, "SOLO", "SERVERS=ALL", jobs};
  // A server left out would still give a document of status 0.
  if (Run(landscape.dir(), one).status != 0 || Run(landscape.dir(), solo).status != 0 ||
      Output(landscape.dir(), all).find("(PRD, 16 of 16 servers)") == std::string::npos) {
    state.SkipWithError("a check does not succeed");
    return;
  }
  const int rounds = static_cast<int>(state.range(0));
  for (auto _ : state) {
    std::vector<double> ones, alls, solos;
    for (int i = 0; i < rounds; ++i) {
      ones.push_back(Run(landscape.dir(), one).seconds);
      alls.push_back(Run(landscape.dir(), all).seconds);
      solos.push_back(Run(landscape.dir(), solo).seconds);
    }
    const double all_median = Median(alls);
    const double one_median = Median(ones);
    state.SetIterationTime(all_median);
    state.counters["one_ms"] = one_median * 1e3;
    state.counters["all_ms"] = all_median * 1e3;
    state.counters["solo_all_ms"] = Median(solos) * 1e3;
    state.counters["ratio"] = all_median / one_median;
  }
}
BENCHMARK(BM_ServersAll)
    ->Args({9, 8, 100})
    ->Args({9, 16, 100})
    ->Args({9, 8, 0})
    ->ArgNames({"rounds", "jobs", "delay_ms"})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// The health rows of a system: 16 work processes, 200 short dumps, 50
// cancelled jobs, 20 update requests and 100 locks, on a fixed SAP clock.
std::string HealthRows() {
  std::string rows = "clock = 20261210 120000\n";
  for (int i = 0; i < 16; ++i)
    rows += "wp = WP_ITYPE=1 WP_TYP=DIA WP_ISTATUS=" + std::to_string(i % 2 ? 2 : 4) + "\n";
  for (int i = 0; i < 200; ++i)
    rows += "snap = DATUM=20261210 UZEIT=113000 SEQNO=000 FLIST=FC008TIME_OUT\n";
  for (int i = 0; i < 50; ++i)
    rows += "tbtco = JOBNAME=Z_JOB STATUS=A ENDDATE=20261210 ENDTIME=115000\n";
  for (int i = 0; i < 20; ++i) rows += "vbhdr = VBKEY=K VBRC=1\n";
  for (int i = 0; i < 100; ++i) rows += "enq = GNAME=VBAK GTDATE=20261210 GTTIME=100000\n";
  return rows;
}

// Arguments: rounds and the delay of every opening and call in ms. A check
// of every measurement (MEASURE=ALL) against the user list's check of the
// same system (1,000 sessions), run in turn; `ratio` is the median of the
// pairs' quotients (target: at most 1.5 without delay). With a delay, each
// round trip costs it: `round_trips` is the health check's time over the
// delay, against `calls`, the openings and function-module calls it makes
// (target: no more round trips than calls).
void BM_HealthAgainstUsers(benchmark::State& state) {
  char pattern[] = "/tmp/tolvaran-bench-XXXXXX";
  const fs::path dir = mkdtemp(pattern);
  const int delay = static_cast<int>(state.range(1));
  WriteFile(dir / "SapSim.ini", SimSystem("PRD", "prdhost", 0, 1000) + HealthRows() +
                                    "delay = " + std::to_string(delay) + "\n");
  WriteFile(dir / "PRD.P00", Profile("PRD", "prdhost", 0));
  const std::vector<std::string> users = {TOLVARAN_BENCH_PROGRAM, "PRD"};
  const std::vector<std::string> health = {TOLVARAN_BENCH_PROGRAM, "PRD", "MEASURE=ALL"};
  if (Run(dir, users).status != 0 ||
      Output(dir, health).find("Short Dumps=200") == std::string::npos) {
    state.SkipWithError("a check does not succeed");
    return;
  }
  const int rounds = static_cast<int>(state.range(0));
  for (auto _ : state) {
    std::vector<double> healths, userChecks, ratios;
    for (int i = 0; i < rounds; ++i) {
      const double h = Run(dir, health).seconds;
      const double u = Run(dir, users).seconds;
      healths.push_back(h);
      userChecks.push_back(u);
      ratios.push_back(h / u);
    }
    state.SetIterationTime(Median(healths));
    state.counters["health_us"] = Median(healths) * 1e6;
    state.counters["users_us"] = Median(userChecks) * 1e6;
    state.counters["ratio"] = Median(ratios);
    // The opening; USERS, WP, UPDATES, CPU and LOGON one call each; DUMPS,
    // JOBS and LOCKS the clock and their own; the classic library's two
    // dictionary layouts (WPINFO, SEQG3).
    state.counters["calls"] = 1 + 5 + 3 * 2 + 2;
    if (delay > 0) state.counters["round_trips"] = Median(healths) * 1e3 / delay;
  }
  std::error_code ec;
  fs::remove_all(dir, ec);
}
BENCHMARK(BM_HealthAgainstUsers)
    ->Args({51, 0})
    ->Args({3, 100})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Arguments: rounds, and the systems in the landscape (1 is the measure
// against which 10,000 is compared). The simulated library reads the whole
// SapSim.ini at each opening, so a landscape that is loaded badly shows
// here and nowhere else.
void BM_CheckInLandscape(benchmark::State& state) {
  Landscape landscape(static_cast<int>(state.range(1)) - 1, 100);
  const std::vector<std::string> check = {TOLVARAN_BENCH_PROGRAM, "PRD"};
  if (Run(landscape.dir(), check).status != 0) {
    state.SkipWithError("the check does not succeed");
    return;
  }
  const int rounds = static_cast<int>(state.range(0));
  for (auto _ : state) {
    std::vector<double> walls, cpus;
    long peak = 0;
    for (int i = 0; i < rounds; ++i) {
      RunResult r = Run(landscape.dir(), check);
      walls.push_back(r.seconds);
      cpus.push_back(r.cpu_seconds);
      peak = std::max(peak, r.peak_rss_kib);
    }
    state.SetIterationTime(Median(walls));
    state.counters["check_us"] = Median(walls) * 1e6;
    state.counters["check_cpu_us"] = Median(cpus) * 1e6;
    state.counters["peak_rss_kib"] = static_cast<double>(peak);
  }
}
BENCHMARK(BM_CheckInLandscape)
    ->Args({30, 1})
    ->Args({30, 10000})
    ->ArgNames({"rounds", "systems"})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

// One check of a system of `servers` application servers (its own section
// and servers - 1 instance sections): what loading such a landscape costs
// in memory and time.
void BM_CheckManyServers(benchmark::State& state) {
  ServerLandscape landscape(static_cast<int>(state.range(1)), 0);
  const std::vector<std::string> check = {TOLVARAN_BENCH_PROGRAM, "PRD"};
  if (Run(landscape.dir(), check).status != 0) {
    state.SkipWithError("the check does not succeed");
    return;
  }
  const int rounds = static_cast<int>(state.range(0));
  for (auto _ : state) {
    std::vector<double> walls, cpus;
    long peak = 0;
    for (int i = 0; i < rounds; ++i) {
      RunResult r = Run(landscape.dir(), check);
      walls.push_back(r.seconds);
      cpus.push_back(r.cpu_seconds);
      peak = std::max(peak, r.peak_rss_kib);
    }
    state.SetIterationTime(Median(walls));
    state.counters["check_us"] = Median(walls) * 1e6;
    state.counters["check_cpu_us"] = Median(cpus) * 1e6;
    state.counters["peak_rss_kib"] = static_cast<double>(peak);
  }
}
BENCHMARK(BM_CheckManyServers)
    ->Args({10, 2000})
    ->ArgNames({"rounds", "servers"})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

// A listing of 10,000 systems of 10 sessions each: once, for its wall and
// CPU time per system (the workers' included).
void BM_ListingLarge(benchmark::State& state) {
  const int systems = static_cast<int>(state.range(0));
  Landscape landscape(systems, 10);
  const std::vector<std::string> listing = {TOLVARAN_BENCH_PROGRAM, "X", "ITEM=Session(s)"};
  for (auto _ : state) {
    RunResult r = Run(landscape.dir(), listing);
    if (r.status != 0) {
      state.SkipWithError("the listing did not end with status 0");
      break;
    }
    state.SetIterationTime(r.seconds);
    state.counters["listing_s"] = r.seconds;
    state.counters["cpu_us_per_system"] = r.cpu_seconds / systems * 1e6;
    state.counters["wall_us_per_system"] = r.seconds / systems * 1e6;
  }
}
BENCHMARK(BM_ListingLarge)
    ->Arg(10000)
    ->ArgName("systems")
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
