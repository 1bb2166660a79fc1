#include "platform/worker_process.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <limits>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "platform/host.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace tolvaran {
namespace {

// The test worker is built next to the unit tests.
std::string TestWorkerPath() {
  std::string self = MakeRealHost()->ExecutablePath();
  std::size_t slash = self.find_last_of("\\/");
  std::string dir = slash == std::string::npos ? "." : self.substr(0, slash + 1);
#ifdef _WIN32
  return dir + "platform_test_worker.exe";
#else
  return dir + "platform_test_worker";
#endif
}

WorkerLaunch Launch(const std::string& input, std::vector<std::string> args = {}) {
  WorkerLaunch launch;
  launch.executable = TestWorkerPath();
  launch.arguments = std::move(args);
  launch.input = input;
  return launch;
}

WorkerId StartOrFail(WorkerPool& pool, const WorkerLaunch& launch) {
  std::string error;
  WorkerId id = pool.Start(launch, &error);
  EXPECT_NE(0u, id) << error;
  return id;
}

// Waits without a deadline until the pool is empty.
std::map<WorkerId, WorkerResult> WaitForAll(WorkerPool& pool) {
  std::map<WorkerId, WorkerResult> all;
  while (pool.Running() > 0) {
    std::vector<WorkerResult> some = pool.Wait(Deadline::Never());
    EXPECT_FALSE(some.empty());
    for (std::size_t i = 1; i < some.size(); ++i) EXPECT_LT(some[i - 1].id, some[i].id);
    for (WorkerResult& r : some) all[r.id] = std::move(r);
  }
  return all;
}

WorkerResult RunOne(const WorkerLaunch& launch) {
  WorkerPool pool;
  WorkerId id = StartOrFail(pool, launch);
  auto all = WaitForAll(pool);
  EXPECT_EQ(1u, all.count(id));
  return all[id];
}

std::string Pattern(std::size_t size, unsigned seed) {
  std::string s(size, '\0');
  std::uint32_t x = seed * 2654435761u + 1;
  for (char& c : s) {
    x = x * 1664525u + 1013904223u;
    c = static_cast<char>(x >> 24);  // every byte value, NUL and CR LF included
  }
  return s;
}

// Whether a process is gone (a zombie no longer runs either). Waits a
// little: a process that lost its parent is ended by the system, not by us.
bool ProcessGone(std::int64_t pid, int tries = 200) {
  for (int i = 0; i < tries; ++i) {
#ifdef _WIN32
    HANDLE h = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
    if (h == nullptr) return true;
    bool ended = WaitForSingleObject(h, 0) == WAIT_OBJECT_0;
    CloseHandle(h);
    if (ended) return true;
#else
    if (kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) return true;
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), {});
    std::size_t paren = text.rfind(')');
    if (paren != std::string::npos && text.compare(paren, 4, ") Z ") == 0) return true;
#endif
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  return false;
}

bool ProcessRuns(std::int64_t pid) { return !ProcessGone(pid, 1); }

TEST(WorkerPoolTest, SeveralMegabytesEachWayWithoutDeadlock) {
  // The worker writes while it reads: a parent that wrote all before
  // reading would block on a full pipe while the worker blocks on its own.
  std::string data = Pattern(6 << 20, 1);
  WorkerResult r = RunOne(Launch("echo\n" + data));
  EXPECT_EQ(WorkerEnd::kExited, r.end);
  EXPECT_EQ(0, r.code);
  EXPECT_TRUE(r.output == data) << "got " << r.output.size() << " of " << data.size() << " bytes";
}

TEST(WorkerPoolTest, InputTheWorkerDoesNotReadIsDroppedAndItsOutputKept) {
  WorkerResult r = RunOne(Launch("write 3000\n" + std::string(4 << 20, 'x')));
  EXPECT_EQ(WorkerEnd::kExited, r.end);
  EXPECT_EQ(std::string(3000, 'w'), r.output);
}

TEST(WorkerPoolTest, EmptyInputIsAnImmediateEnd) {
  WorkerResult r = RunOne(Launch(""));
  EXPECT_EQ(WorkerEnd::kExited, r.end);
  EXPECT_EQ(0, r.code);
  EXPECT_EQ("", r.output);
}

TEST(WorkerPoolTest, ExitStatusAndAbnormalEnds) {
  WorkerResult exited = RunOne(Launch("exit 3\n"));
  EXPECT_EQ(WorkerEnd::kExited, exited.end);
  EXPECT_EQ(3, exited.code);

  WorkerResult crashed = RunOne(Launch("crash\n"));
  EXPECT_EQ(WorkerEnd::kAbnormal, crashed.end);
#ifdef _WIN32
  EXPECT_EQ(static_cast<int>(0xC0000005u), crashed.code);
#else
  EXPECT_EQ(SIGKILL, crashed.code);
  WorkerResult aborted = RunOne(Launch("abort\n"));
  EXPECT_EQ(WorkerEnd::kAbnormal, aborted.end);
  EXPECT_EQ(SIGABRT, aborted.code);
#endif
}

TEST(WorkerPoolTest, SixtyFourWorkersAtOnceEachWithItsOwnOutput) {
  WorkerPool pool;
  std::map<WorkerId, std::string> sent;
  for (unsigned i = 0; i < 64; ++i) {
    std::string data = Pattern(i % 4 == 0 ? 200000 : 100 + i, i + 10);
    WorkerId id = StartOrFail(pool, Launch("echo\n" + data));
    sent[id] = data;
  }
  EXPECT_EQ(64u, pool.Running());
  auto all = WaitForAll(pool);
  ASSERT_EQ(64u, all.size());
  for (const auto& [id, data] : sent) {
    EXPECT_EQ(WorkerEnd::kExited, all[id].end);
    EXPECT_TRUE(all[id].output == data) << "worker " << id;
  }
}

TEST(WorkerPoolTest, WaitReturnsAtTheDeadlineWhenNothingFinishes) {
  WorkerPool pool;
  WorkerId hung = StartOrFail(pool, Launch("hang\n"));
  auto start = std::chrono::steady_clock::now();
  std::vector<WorkerResult> none = pool.Wait(Deadline::After(300));
  auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_TRUE(none.empty());
  EXPECT_GE(waited, std::chrono::milliseconds(290));
  EXPECT_LT(waited, std::chrono::seconds(5));
  EXPECT_EQ(1u, pool.Running());
  // A deadline already passed only looks.
  EXPECT_TRUE(pool.Wait(Deadline::At(0)).empty());
  pool.Kill(hung);
  EXPECT_EQ(0u, pool.Running());
  EXPECT_TRUE(pool.Wait(Deadline::Never()).empty());  // nothing to wait for
}

TEST(WorkerPoolTest, FinishedMeansExitedNotOnlyOutputClosed) {
  WorkerPool pool;
  WorkerId id = StartOrFail(pool, Launch("close-exit 400\n"));
  EXPECT_TRUE(pool.Wait(Deadline::After(100)).empty());
  std::vector<WorkerResult> r = pool.Wait(Deadline::After(10000));
  ASSERT_EQ(1u, r.size());
  EXPECT_EQ(id, r[0].id);
  EXPECT_EQ(WorkerEnd::kExited, r[0].end);
  EXPECT_EQ(7, r[0].code);
}

TEST(WorkerPoolTest, KilledWorkerIsGoneAndNeverReported) {
  WorkerPool pool;
  WorkerId hung = StartOrFail(pool, Launch("hang\n"));
  WorkerId quick = StartOrFail(pool, Launch("exit 0\n"));
  std::int64_t pid = pool.ProcessId(hung);
  ASSERT_NE(0, pid);
  pool.Kill(hung);
  EXPECT_TRUE(ProcessGone(pid));
  EXPECT_EQ(0, pool.ProcessId(hung));
  auto all = WaitForAll(pool);
  EXPECT_EQ(1u, all.size());
  EXPECT_EQ(1u, all.count(quick));
}

TEST(WorkerPoolTest, DestroyingThePoolEndsItsWorkers) {
  std::vector<std::int64_t> pids;
  {
    WorkerPool pool;
    for (int i = 0; i < 3; ++i) pids.push_back(pool.ProcessId(StartOrFail(pool, Launch("hang\n"))));
    pool.Wait(Deadline::After(50));
    for (std::int64_t pid : pids) EXPECT_TRUE(ProcessRuns(pid)) << pid;
  }
  for (std::int64_t pid : pids) EXPECT_TRUE(ProcessGone(pid)) << pid;
}

// A worker's own workers: ended with it, however it ends.
std::int64_t GrandchildPid(const std::string& output) {
  EXPECT_NE("error", output.substr(0, 5)) << output;
  return std::atoll(output.c_str());
}

TEST(WorkerPoolTest, WorkersGoWithAParentThatIsKilled) {
  // The middle worker starts one of its own, names it, and is killed
  // outright: no destructor, no atexit handler runs in it.
  WorkerResult killed = RunOne(Launch("spawn-hang\ncrash"));
  EXPECT_EQ(WorkerEnd::kAbnormal, killed.end);
  std::int64_t grandchild = GrandchildPid(killed.output);
  ASSERT_GT(grandchild, 0);
  EXPECT_TRUE(ProcessGone(grandchild));
}

TEST(WorkerPoolTest, ExitWithoutCleanupRunsNothingAndEndsItsWorkers) {
  WorkerResult plain = RunOne(Launch("no-cleanup 9\n"));
  EXPECT_EQ(WorkerEnd::kExited, plain.end);
  EXPECT_EQ(9, plain.code);
  EXPECT_EQ("", plain.output);  // neither stdio's buffer nor the atexit handler

  WorkerResult spawner = RunOne(Launch("spawn-hang\nno-cleanup"));
  EXPECT_EQ(WorkerEnd::kExited, spawner.end);
  EXPECT_EQ(5, spawner.code);
  std::int64_t grandchild = GrandchildPid(spawner.output);
  ASSERT_GT(grandchild, 0);
  EXPECT_TRUE(ProcessGone(grandchild));
}

TEST(WorkerPoolTest, ArgumentsArriveUnchanged) {
  std::vector<std::string> args = {"--worker", "two words", "quo\"te",   "back\\slash\\",
                                   "",         "tab\there", "end\\\\\"", "\\\\server\\share"};
  WorkerResult r = RunOne(Launch("args\n", args));
  std::string expected;
  for (const std::string& a : args) expected += a + '\0';
  EXPECT_EQ(expected, r.output);
}

TEST(WorkerPoolTest, AMissingExecutableIsAStartFailure) {
  WorkerPool pool;
  WorkerLaunch launch = Launch("echo\n");
  launch.executable += "-missing";
  std::string error;
  EXPECT_EQ(0u, pool.Start(launch, &error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(0u, pool.Running());
}

#ifdef __linux__
TEST(WorkerPoolTest, TheInputNeverShowsOnTheCommandLine) {
  WorkerPool pool;
  WorkerId id = StartOrFail(pool, Launch("hang\nPASSWD=Secret-4711\n", {"--hidden-worker"}));
  pool.Wait(Deadline::After(200));  // until it has started and read its input
  std::string proc = "/proc/" + std::to_string(pool.ProcessId(id));
  std::ifstream cmdline(proc + "/cmdline", std::ios::binary);
  std::string args((std::istreambuf_iterator<char>(cmdline)), {});
  EXPECT_EQ(TestWorkerPath() + '\0' + "--hidden-worker" + '\0', args);
  std::ifstream environ(proc + "/environ", std::ios::binary);
  std::string env((std::istreambuf_iterator<char>(environ)), {});
  EXPECT_EQ(std::string::npos, env.find("Secret-4711"));
}
#endif

TEST(QuoteWindowsArgumentTest, QuotesOnlyWhatTheParserWouldSplitOrUnescape) {
  EXPECT_EQ("plain", QuoteWindowsArgument("plain"));
  EXPECT_EQ("C:\\dir\\x.exe", QuoteWindowsArgument("C:\\dir\\x.exe"));
  EXPECT_EQ("\"\"", QuoteWindowsArgument(""));
  EXPECT_EQ("\"two words\"", QuoteWindowsArgument("two words"));
  EXPECT_EQ("\"C:\\Program Files\\x.exe\"", QuoteWindowsArgument("C:\\Program Files\\x.exe"));
  EXPECT_EQ("\"a\\\"b\"", QuoteWindowsArgument("a\"b"));
  EXPECT_EQ("\"a b\\\\\"", QuoteWindowsArgument("a b\\"));
  EXPECT_EQ("\"x\\\\\\\"y\"", QuoteWindowsArgument("x\\\"y"));
}

TEST(DeadlineTest, NeverAndPassed) {
  EXPECT_TRUE(Deadline::Never().IsNever());
  EXPECT_EQ(-1, Deadline::Never().RemainingMs());
  EXPECT_FALSE(Deadline::Never().HasPassed());
  EXPECT_TRUE(Deadline::At(0).HasPassed());
  EXPECT_EQ(0, Deadline::At(0).RemainingMs());
  std::int64_t left = Deadline::After(60000).RemainingMs();
  EXPECT_GT(left, 59000);
  EXPECT_LE(left, 60000);
}

TEST(DeadlineTest, FarDeadlinesSaturate) {
  const std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
  Deadline distant = Deadline::After(kMax);
  EXPECT_FALSE(distant.IsNever());
  EXPECT_FALSE(distant.HasPassed());
  EXPECT_EQ(kMax - 1, distant.At());
  EXPECT_GT(distant.RemainingMs(), kMax / 2);
  Deadline back = Deadline::After(std::numeric_limits<std::int64_t>::min());
  EXPECT_TRUE(back.HasPassed());
  EXPECT_EQ(0, back.RemainingMs());
}

TEST(WatchdogTest, AFarDeadlineIsNotReachedAtOnce) {
  std::atomic<int> calls{0};
  Watchdog dog(Deadline::After(std::numeric_limits<std::int64_t>::max()), [&] { ++calls; });
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_TRUE(dog.Cancel());
  EXPECT_EQ(0, calls);
}

TEST(WatchdogTest, FiresOnceAtTheDeadline) {
  std::atomic<int> calls{0};
  std::atomic<std::int64_t> when{0};
  Deadline deadline = Deadline::After(150);
  {
    Watchdog dog(deadline, [&] {
      when = MonotonicMilliseconds();
      ++calls;
    });
    while (calls == 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_FALSE(dog.Cancel());
  }
  EXPECT_EQ(1, calls);
  EXPECT_GE(when.load(), deadline.At());
  EXPECT_LT(when.load(), deadline.At() + 5000);
}

TEST(WatchdogTest, CancelledInTimeNeverFires) {
  std::atomic<int> calls{0};
  {
    Watchdog dog(Deadline::After(100), [&] { ++calls; });
    EXPECT_TRUE(dog.Cancel());
    EXPECT_TRUE(dog.Cancel());
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
  }
  {
    Watchdog never(Deadline::Never(), [&] { ++calls; });  // destroyed uncancelled
  }
  EXPECT_EQ(0, calls);
}

TEST(WatchdogTest, CancelWaitsForAFunctionThatHasBegun) {
  std::atomic<bool> began{false}, finished{false};
  Watchdog dog(Deadline::After(0), [&] {
    began = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    finished = true;
  });
  while (!began) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_FALSE(dog.Cancel());
  EXPECT_TRUE(finished);  // the caller would write its result only now
}

}  // namespace
}  // namespace tolvaran
