// In-process benchmarks: the evaluation of a user list held in memory,
// through the same library interface the program uses (the library's
// operations are functions of this file, serving rows from a table built
// beforehand, so no file is read while measuring), and the other per-check
// work: writing the document and reading a listed profile.
//
// Targets: at most 50 ns per session at 1,000,000 sessions, a cost per
// session that does not grow with the sessions, and no copy of the table
// ("alloc_bytes": what the evaluation allocates, whatever the table's size).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "alloc_count.h"
#include "driver/password.h"
#include "driver/run_state.h"
#include "driver/system_profile.h"
#include "output/usage_evaluation.h"

namespace tolvaran {
namespace {

// The table the library hands out: rows of 92 bytes laid out as UINFO.
struct MemoryTable {
  std::vector<unsigned char> rows;
  unsigned count = 0;
};
MemoryTable* served = nullptr;

void PutText(unsigned char* row, std::size_t offset, std::size_t length, const char* text) {
  std::memset(row + offset, ' ', length);
  std::memcpy(row + offset, text, std::min(length, std::strlen(text)));
}

// `users` distinct users at `terminals` distinct terminals; every fifth
// session without a transaction; every session of client 100.
MemoryTable MakeTable(unsigned sessions, unsigned users, unsigned terminals) {
  MemoryTable table;
  table.count = sessions;
  table.rows.assign(static_cast<std::size_t>(sessions) * kUinfoRowLength, 0);
  char text[32];
  for (unsigned i = 0; i < sessions; ++i) {
    unsigned char* row = &table.rows[static_cast<std::size_t>(i) * kUinfoRowLength];
    PutText(row, 4, 3, "100");
    std::snprintf(text, sizeof text, "USER%07u", i % users);
    PutText(row, 7, 12, text);
    PutText(row, 19, 20, i % 5 == 0 ? "" : "SM50");
    std::snprintf(text, sizeof text, "TERM%07u", i % terminals);
    PutText(row, 39, 20, text);
    const std::uint32_t ext = 1, internal = 2;
    std::memcpy(row + 84, &ext, 4);
    std::memcpy(row + 88, &internal, 4);
  }
  return table;
}

RfcTable RFC_CALL MemItCreate(char*, unsigned, unsigned, unsigned) { return served; }
unsigned RFC_CALL MemItFill(RfcTable table) { return static_cast<MemoryTable*>(table)->count; }
void* RFC_CALL MemItGetLine(RfcTable table, unsigned row) {
  auto* t = static_cast<MemoryTable*>(table);
  return &t->rows[static_cast<std::size_t>(row - 1) * kUinfoRowLength];
}
int RFC_CALL MemItDelete(RfcTable) { return 0; }
int RFC_CALL MemInstall(char*, FieldDescriptor*, unsigned, RfcTypeHandle* type) {
  *type = 1;
  return 0;
}
int RFC_CALL MemCall(RfcHandle, char*, ParameterEntry*, TableEntry*) { return 0; }
int RFC_CALL MemReceive(RfcHandle, ParameterEntry*, TableEntry*, char**) { return 0; }

std::unique_ptr<RunState> MemoryRun(Host* host) {
  auto rs = std::make_unique<RunState>();
  rs->host = host;
  rs->profile.destination.Set("PRD");
  rs->rfc.loaded = true;
  rs->rfc.lib.ItCreate = MemItCreate;
  rs->rfc.lib.ItFill = MemItFill;
  rs->rfc.lib.ItGetLine = MemItGetLine;
  rs->rfc.lib.ItDelete = MemItDelete;
  rs->rfc.lib.RfcInstallStructure = MemInstall;
  rs->rfc.lib.RfcCall = MemCall;
  rs->rfc.lib.RfcReceive = MemReceive;
  return rs;
}

// Normal mode writes only into the result buffer: no output is needed.
class NoHost : public Host {
 public:
  void WriteOut(std::string_view) override {}
  bool ReadFile(const std::string&, std::string*) override { return false; }
  bool ReplaceFile(const std::string&, std::string_view) override { return false; }
  bool RemoveFile(const std::string&) override { return false; }
  std::string FindIgnoringCase(const std::string& path) override { return path; }
  std::unique_ptr<FileLock> Lock(const std::string&, int) override { return nullptr; }
  std::string TimeOfDay() override { return "00:00:00"; }
  std::string ExecutablePath() override { return ""; }
  std::string NativePath(const std::string& path) override { return path; }
};

// Arguments: sessions, and 0 for few distinct names (20 users at 8
// terminals) or 1 for many (half as many users and a third as many
// terminals as sessions, far past what the name lists record).
void BM_EvaluateUserList(benchmark::State& state) {
  const auto sessions = static_cast<unsigned>(state.range(0));
  const bool many = state.range(1) != 0;
  MemoryTable table =
      MakeTable(sessions, many ? sessions / 2 + 1 : 20, many ? sessions / 3 + 1 : 8);
  served = &table;
  NoHost host;
  auto rs = MemoryRun(&host);

  const std::size_t before = AllocatedBytes();
  EvaluateSystemUsage(*rs, 1);
  const std::size_t one_call = AllocatedBytes() - before;

  for (auto _ : state) {
    rs->runStatus = RunStatus::kErr;
    benchmark::DoNotOptimize(EvaluateSystemUsage(*rs, 1));
  }
  if (rs->runStatus != RunStatus::kOk) state.SkipWithError("the evaluation failed");
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * sessions);
  state.counters["per_session"] = benchmark::Counter(
      sessions, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.counters["alloc_bytes"] = static_cast<double>(one_call);
  state.counters["table_bytes"] = static_cast<double>(table.rows.size());
  served = nullptr;
}
BENCHMARK(BM_EvaluateUserList)
    ->ArgsProduct({{1000, 100000, 1000000}, {0, 1}})
    ->ArgNames({"sessions", "many"})
    ->Unit(benchmark::kMicrosecond);

void BM_WriteDocument(benchmark::State& state) {
  NoHost host;
  auto rs = MemoryRun(&host);
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
