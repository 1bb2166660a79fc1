// In-process benchmarks: the evaluation of a user list held in memory,
// through the same library interface and backend the program uses (the
// fake classic library of tests/support, serving rows in place from a
// table built beforehand, so no file is read and no row copied while
// measuring), and the other per-check work: writing the document and
// reading a listed profile.
//
// Targets: at most 50 ns per session at 1,000,000 sessions, a cost per
// session that does not grow with the sessions, and no copy of the table
// ("alloc_bytes": what one evaluation allocates, the fake library's few
// bytes per query included, whatever the table's size).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "alloc_count.h"
#include "driver/system_check.h"
#include "output/measurement_document.h"
#include "profile/password.h"
#include "profile/system_profile.h"
#include "rfc/classic/classic_backend.h"
#include "rfc/classic/classic_layout.h"
#include "support/fake_classic_library.h"
#include "support/fake_host.h"
#include "support/sample_profile.h"
#include "support/user_list_rows.h"

namespace tolvaran {
namespace {

// `users` distinct users at `terminals` distinct terminals; every fifth
// session without a transaction; every session of client 100. The rows
// of 92 bytes laid out as UINFO, one after another.
std::string MakeTable(unsigned sessions, unsigned users, unsigned terminals) {
  std::string table;
  table.reserve(static_cast<std::size_t>(sessions) * kUinfoRowLength);
  char user[32];
  char terminal[32];
  for (unsigned i = 0; i < sessions; ++i) {
    std::snprintf(user, sizeof user, "USER%07u", i % users);
    std::snprintf(terminal, sizeof terminal, "TERM%07u", i % terminals);
    table += UserRow("100", user, i % 5 == 0 ? "" : "SM50", terminal, 1, 2);
  }
  return table;
}

// The classic backend over the fake library, recording nothing so that it
// can be queried without end.
std::unique_ptr<RfcBackend> MemoryBackend(FakeHost* host, const std::string* table) {
  std::unique_ptr<RfcBackend> backend = MakeClassicBackend(*host, ResetFakeClassic());
  FakeClassic().recording = false;
  FakeClassic().userRowBlock = table;
  return backend;
}

// The document the single run writes for `counts`.
std::string Document(const UserCounts& counts) {
  return MeasurementDocument(UserList(), counts.AsReading(), "PRD", "", OutputFlavour::kExeXml, {})
      .Render();
}

// Arguments: sessions, and 0 for few distinct names (20 users at 8
// terminals) or 1 for many (half as many users and a third as many
// terminals as sessions, far past what the name lists record).
void BM_EvaluateUserList(benchmark::State& state) {
  const auto sessions = static_cast<unsigned>(state.range(0));
  const bool many = state.range(1) != 0;
  const std::string table =
      MakeTable(sessions, many ? sessions / 2 + 1 : 20, many ? sessions / 3 + 1 : 8);
  FakeHost host;
  auto backend = MemoryBackend(&host, &table);

  // One evaluation as the program makes it: count, then make the document.
  auto evaluate = [&backend] {
    UserCounts counts;
    QueryResult result = CountSessions(*backend, 1, "", &counts);
    if (result.outcome == kOutcomeOk && !result.aborted) {
      benchmark::DoNotOptimize(Document(counts).size());
    }
    return result.outcome;
  };
  const std::size_t before = AllocatedBytes();
  int outcome = evaluate();
  const std::size_t one_call = AllocatedBytes() - before;

  for (auto _ : state) {
    outcome = evaluate();
    benchmark::DoNotOptimize(outcome);
  }
  if (outcome != kOutcomeOk) state.SkipWithError("the evaluation failed");
  if (!FakeClassic().faults.empty()) state.SkipWithError(FakeClassic().faults[0].c_str());
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * sessions);
  state.counters["per_session"] = benchmark::Counter(
      sessions, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.counters["alloc_bytes"] = static_cast<double>(one_call);
  state.counters["table_bytes"] = static_cast<double>(table.size());
}
BENCHMARK(BM_EvaluateUserList)
    ->ArgsProduct({{1000, 100000, 1000000}, {0, 1}})
    ->ArgNames({"sessions", "many"})
    ->Unit(benchmark::kMicrosecond);

void BM_WriteDocument(benchmark::State& state) {
  UserCounts counts;
  counts.activeUsers = 1234;
  counts.tranCodes = 567;
  counts.terminals = 890;
  counts.sessions = 15000;
  counts.externalModes = 21000;
  counts.internalModes = 30000;
  for (auto _ : state) {
    std::string document = Document(counts);
    benchmark::DoNotOptimize(document.data());
  }
}
BENCHMARK(BM_WriteDocument);

void BM_ReadListedProfile(benchmark::State& state) {
  const KeyTable key = BuildKeyTable();
  const std::string bytes = SampleProfile({"PRD", "prdhost", 0, ""});
  SystemProfile profile;
  bool sound = true;
  for (auto _ : state) {
    sound = ReadListedProfile(key, "PRD.P00", bytes, &profile).empty();
    benchmark::DoNotOptimize(sound);
  }
  if (!sound) state.SkipWithError("the benchmark's profile does not pass the checks");
}
BENCHMARK(BM_ReadListedProfile);

}  // namespace
}  // namespace tolvaran

BENCHMARK_MAIN();
