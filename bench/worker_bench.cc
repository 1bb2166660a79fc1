// What the worker machinery costs per worker: start a process, hand it an
// input of a profile's size, collect its output, see it end. One worker at
// a time, and 8 (the listing's default) or 64 (its most) at once, so that
// starts overlap with other workers' runs.
//
// `trivial` is a worker that does nothing but read and answer; `program`
// starts the program itself (no arguments: it writes its usage document and
// ends), for the cost of loading and starting the real executable.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "platform/worker_process.h"

namespace {

void RunWorkers(benchmark::State& state, const char* executable) {
  const int at_once = static_cast<int>(state.range(0));
  tolvaran::WorkerLaunch launch;
  launch.executable = executable;
  launch.arguments = {};
  launch.input = std::string(200, 'p');  // a profile's fields and a password
  launch.stderrMode = tolvaran::WorkerStderr::kDiscard;
  tolvaran::WorkerPool pool;
  for (auto _ : state) {
    for (int i = 0; i < at_once; ++i) {
      std::string error;
      if (pool.Start(launch, &error) == 0) {
        state.SkipWithError(error.c_str());
        return;
      }
    }
    std::size_t bytes = 0;
    while (pool.Running() > 0) {
      for (const auto& r : pool.Wait(tolvaran::Deadline::Never())) bytes += r.output.size();
    }
    benchmark::DoNotOptimize(bytes);
  }
  state.counters["per_worker"] = benchmark::Counter(
      at_once, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_TrivialWorker(benchmark::State& state) { RunWorkers(state, TOLVARAN_BENCH_WORKER); }
void BM_ProgramAsWorker(benchmark::State& state) { RunWorkers(state, TOLVARAN_BENCH_PROGRAM); }

BENCHMARK(BM_TrivialWorker)->ArgName("at_once")->Arg(1)->Arg(8)->Arg(64)->UseRealTime();
BENCHMARK(BM_ProgramAsWorker)->ArgName("at_once")->Arg(1)->Arg(8)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
