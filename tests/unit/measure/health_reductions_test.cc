#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "measure/cancelled_jobs.h"
#include "measure/health_calls.h"
#include "measure/host_cpu.h"
#include "measure/lock_entries.h"
#include "measure/short_dumps.h"
#include "measure/work_processes.h"

namespace tolvaran {
namespace {

TEST(WorkProcessCountsTest, TypesByKeyStatesByNumberNeverByText) {
  WorkProcessCounts counts;
  counts.Add("DIA", 1, kWpWaiting);
  counts.Add("DIA", 1, kWpRunning);
  counts.Add("DIA", 1, kWpOnHold);
  counts.Add("BTC", 4, kWpRunning);  // a German system's key for background
  counts.Add("BGD", 4, kWpWaiting);
  counts.Add("UPD", 2, kWpWaiting);
  counts.Add("UP2", 6, 16);  // ended: busy, and counted as stopped
  counts.Add("XYZ", 9, 99);  // an unknown type and state
  EXPECT_EQ(counts.Total(WorkProcessType::kDialog), 3u);
  EXPECT_EQ(counts.Busy(WorkProcessType::kDialog), 2u);
  EXPECT_EQ(counts.DialogFree(), 1u);
  EXPECT_EQ(counts.DialogBusyPercent(), 67u);
  EXPECT_EQ(counts.Total(WorkProcessType::kBackground), 2u);
  EXPECT_EQ(counts.Busy(WorkProcessType::kBackground), 1u);
  EXPECT_EQ(counts.Total(WorkProcessType::kUpdate2), 1u);
  EXPECT_EQ(counts.Busy(WorkProcessType::kUpdate2), 1u);
  EXPECT_EQ(counts.onHold, 1u);
  EXPECT_EQ(counts.stopped, 2u);
}

TEST(WorkProcessCountsTest, ServersAreSummedAndThePercentageTakenFromTheSums) {
  WorkProcessCounts a, b;
  for (int i = 0; i < 3; ++i) a.Add("DIA", 1, kWpRunning);  // 3 of 3 busy
  for (int i = 0; i < 7; ++i) b.Add("DIA", 1, kWpWaiting);  // 0 of 7 busy
  a.Add(b);
  EXPECT_EQ(a.Total(WorkProcessType::kDialog), 10u);
  EXPECT_EQ(a.DialogBusyPercent(), 30u);  // not the mean of 100 and 0
  EXPECT_EQ(WorkProcessCounts().DialogBusyPercent(), 0u);
}

TEST(ShortDumpSummaryTest, RuntimeErrorNamesAndTheMostFrequentOne) {
  EXPECT_EQ(RuntimeErrorName("FC015DBIF_RSQL_ERRORAP008SAPLTEST"), "DBIF_RSQL_ERROR");
  EXPECT_EQ(RuntimeErrorName("FCxyzTIME_OUT AP0xx"), "TIME_OUT");  // no length: up to AP0
  EXPECT_EQ(RuntimeErrorName("AP008SAPLTEST"), "");
  ShortDumpSummary dumps;
  EXPECT_EQ(dumps.TopError(), "");
  dumps.Add("FC008TIME_OUT");
  dumps.Add("FC014MESSAGE_TYPE_X");
  dumps.Add("FC014MESSAGE_TYPE_X");
  dumps.Add("FC008TIME_OUT");
  dumps.Add("FC015RAISE_EXCEPTION");
  EXPECT_EQ(dumps.dumps, 5u);
  EXPECT_EQ(dumps.TopError(), "MESSAGE_TYPE_X");  // a tie goes to the first name
  EXPECT_EQ(dumps.TopCount(), 2u);
}

TEST(CancelledJobSummaryTest, NewestNamesFirstAcrossMidnight) {
  CancelledJobSummary jobs;
  jobs.Add("Z_BEFORE_MIDNIGHT", "20261209", "235900");
  jobs.Add("Z_AFTER_MIDNIGHT", "20261210", "000100");
  jobs.Add("B_SAME_SECOND", "20261210", "000000");
  jobs.Add("A_SAME_SECOND", "20261210", "000000");
  EXPECT_EQ(jobs.jobs, 4u);
  EXPECT_EQ(jobs.Newest(),
            std::vector<std::string>({"Z_AFTER_MIDNIGHT", "A_SAME_SECOND", "B_SAME_SECOND"}));
}

TEST(LockSummaryTest, OldestAgeByTheSystemsClock) {
  const SapInstant now = *SapInstant::Parse("20261210", "001000");
  LockSummary locks;
  locks.Add("20261210", "000500", now);
  locks.Add("20261209", "230959", now);  // the day before: 60 whole minutes
  locks.Add("00000000", "000000", now);  // no time: counted, no age
  locks.Add("20261210", "001100", now);  // after the clock was read
  EXPECT_EQ(locks.locks, 4u);
  EXPECT_EQ(locks.oldestMinutes, 60u);
}

TEST(HostCpuTest, BusyAndLoadInTheCollectorsUnits) {
  HostCpu cpu;
  cpu.idlePercent = 73;
  EXPECT_EQ(cpu.BusyPercent(), 27);
  cpu.idlePercent = 101;
  EXPECT_EQ(cpu.BusyPercent(), 0);
  EXPECT_EQ(DecimalText(125, 2), "1.25");
  EXPECT_EQ(DecimalText(7, 2), "0.07");
  EXPECT_EQ(DecimalText(-7, 2), "-0.07");
  EXPECT_EQ(DecimalText(42, 0), "42");
}

}  // namespace
}  // namespace tolvaran
