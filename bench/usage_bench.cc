// Benchmarks of the paths whose cost grows with the monitored system: the
// user list of a large system, the documents written per check, and the
// profiles read per listed system.
//
// Targets: a user list of 100,000 sessions is counted in well under 100 ms
// (the monitor gives a sensor a minute and more per check), and the memory
// the name lists take stays bounded however long the list is, since names
// stop being recorded past 8000 characters ("names_kib" below).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "driver/password.h"
#include "driver/run_state.h"
#include "driver/system_profile.h"
#include "output/channel.h"
#include "output/result_document.h"
#include "output/usage_evaluation.h"

namespace tolvaran {
namespace {

void PutText(unsigned char* row, std::size_t offset, std::size_t length, const std::string& s) {
  std::memset(row + offset, ' ', length);
  std::memcpy(row + offset, s.data(), std::min(length, s.size()));
}

// Rows as the library lays them out: many sessions per user, a few
// terminals per user, some sessions without a transaction.
std::vector<unsigned char> MakeRows(std::size_t count, std::size_t distinct_users) {
  std::vector<unsigned char> rows(count * kUinfoRowLength, 0);
  char text[32];
  for (std::size_t i = 0; i < count; ++i) {
    unsigned char* row = &rows[i * kUinfoRowLength];
    PutText(row, 4, 3, "100");
    std::snprintf(text, sizeof text, "U%07zu", i % distinct_users);
    PutText(row, 7, 12, text);
    PutText(row, 19, 20, i % 5 == 0 ? "" : "SM50");
    std::snprintf(text, sizeof text, "TERM%06zu", (i % distinct_users) * 2 + i % 2);
    PutText(row, 39, 20, text);
    std::uint32_t ext = 1, intm = 2;
    std::memcpy(row + 84, &ext, 4);
    std::memcpy(row + 88, &intm, 4);
  }
  return rows;
}

void BM_CountUserList(benchmark::State& state) {
  const std::size_t count = static_cast<std::size_t>(state.range(0));
  std::vector<unsigned char> rows = MakeRows(count, count / 3 + 1);
  for (auto _ : state) {
    UsageCounter counter("100");
    for (std::size_t i = 0; i < count; ++i) counter.AddRow(&rows[i * kUinfoRowLength]);
    benchmark::DoNotOptimize(counter.Counts());
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(count));
  // Each recorded name costs its text and a set node; names stop at 8000
  // characters, so this bound holds for any list length.
  UsageCounter counter("100");
  for (std::size_t i = 0; i < count; ++i) counter.AddRow(&rows[i * kUinfoRowLength]);
  UsageCounts c = counter.Counts();
  state.counters["users"] = c.activeUsers;
  state.counters["names_kib"] =
      static_cast<double>((c.activeUsers + c.terminals) * (sizeof(std::string) + 48)) / 1024.0;
}
BENCHMARK(BM_CountUserList)->Arg(100)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

void BM_WriteDocument(benchmark::State& state) {
  auto rs = std::make_unique<RunState>();
  rs->profile.destination.Set("PRD");
  UsageCounts counts;
  counts.activeUsers = 1234;
  counts.tranCodes = 567;
  counts.terminals = 890;
  counts.sessions = 15000;
  counts.externalModes = 21000;
  counts.internalModes = 30000;
  for (auto _ : state) {
    WriteUsage(*rs, counts);
    benchmark::DoNotOptimize(rs->resultBuffer.c_str());
  }
}
BENCHMARK(BM_WriteDocument);

void BM_ReadListedProfile(benchmark::State& state) {
  auto rs = std::make_unique<RunState>();
  rs->keyTable = BuildKeyTable();
  std::string stored;
  ScramblePassword(rs->keyTable, "Secret99", 3, "abcdefghijklmnopqrst", &stored);
  const std::string profile =
      "* Tolvaran system profile\nExtcompany.: Example Corp\nDestination: PRD\n"
      "Client.....: 100\nUser.......: SAPMON\nPassword...: " +
      stored +
      "\nLanguage...: E\nMode.......: R/3\nHostname...: prdhost\nSysnr......: 00\n"
      "Gwhost.....: prdhost\nGwservice..: sapgw00\n";
  for (auto _ : state) {
    rs->failFlag = false;
    ReadListedProfile(*rs, profile);
    benchmark::DoNotOptimize(rs->failFlag);
  }
  if (rs->failFlag) state.SkipWithError("the benchmark's profile does not pass the checks");
}
BENCHMARK(BM_ReadListedProfile);

}  // namespace
}  // namespace tolvaran

BENCHMARK_MAIN();
