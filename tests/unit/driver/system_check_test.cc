#include "driver/system_check.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "rfc/classic/classic_backend.h"
#include "support/fake_backend.h"
#include "support/fake_classic_library.h"
#include "support/fake_host.h"
#include "support/user_list_rows.h"

namespace tolvaran {
namespace {

// ----- counting the user list a backend fetches ------------------------------

class CountSessionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    backend = MakeClassicBackend(host, ResetFakeClassic());
    FakeClassic().userRows = {
        UserRow("100", "MEIER", "VA01", "PC01", 2, 3),
        UserRow("100", "MEIER", "", "PC02", 1, 1),
        UserRow("200", "OTHER", "SE38", "PC09", 10, 10),
        UserRow("100", "SCHULZ", "SU01", "PC01", 0, 5),
    };
  }
  void TearDown() override { EXPECT_EQ(FakeClassic().faults, std::vector<std::string>{}); }

  FakeHost host;
  std::unique_ptr<RfcBackend> backend;
};

TEST_F(CountSessionsTest, CountsTheSessionsOfTheClient) {
  UserCounts c;
  QueryResult result = CountSessions(*backend, 5, "100", &c);
  EXPECT_EQ(result.outcome, kOutcomeOk);
  EXPECT_FALSE(result.aborted);
  EXPECT_EQ(c.activeUsers, 2u);
  EXPECT_EQ(c.tranCodes, 2u);
  EXPECT_EQ(c.terminals, 2u);
  EXPECT_EQ(c.sessions, 3u);
  EXPECT_EQ(c.externalModes, 3u);
  EXPECT_EQ(c.internalModes, 9u);
  ASSERT_EQ(FakeClassic().calls.size(), 1u);
  EXPECT_EQ(FakeClassic().calls[0].handle, 5u);
}

TEST_F(CountSessionsTest, WithoutAClientEverySessionCounts) {
  UserCounts c;
  CountSessions(*backend, 5, "", &c);
  EXPECT_EQ(c.activeUsers, 3u);
  EXPECT_EQ(c.sessions, 4u);
  EXPECT_EQ(c.externalModes, 13u);
  EXPECT_EQ(c.internalModes, 19u);
}

TEST_F(CountSessionsTest, AnEmptyListCountsZero) {
  FakeClassic().userRows.clear();
  UserCounts c;
  c.sessions = 99;  // left over from an earlier system
  EXPECT_EQ(CountSessions(*backend, 5, "", &c).outcome, kOutcomeOk);
  EXPECT_EQ(c.sessions, 0u);
}

TEST_F(CountSessionsTest, AFailedQueryCountsNothing) {
  FakeClassic().userListOutcome = kRfcException;
  FakeClassic().exceptionName = "USER_NOT_AUTHORIZED";
  UserCounts c;
  QueryResult result = CountSessions(*backend, 5, "", &c);
  EXPECT_EQ(result.outcome, kOutcomeException);
  EXPECT_EQ(result.exceptionText, "USER_NOT_AUTHORIZED");
  EXPECT_EQ(c.sessions, 0u);
  EXPECT_EQ(c.activeUsers, 0u);
}

// ----- one system's check, step by step ------------------------------------

SystemOutcome Check(FakeBackend& backend, bool probeCpu) {
  SystemTask task;
  task.request.destination = "PRD";
  task.client = "100";
  task.probeCpu = probeCpu;
  SystemOutcome outcome;
  CheckSystem(backend, task, outcome);
  return outcome;
}

TEST(CheckSystemTest, ASoundSystemIsProbedCountedAndClosed) {
  FakeBackend backend;
  backend.script.sessions = {FakeBackend::MakeSession("100", "MEIER", "VA01", "PC01"),
                             FakeBackend::MakeSession("200", "OTHER", "", "PC02")};
  SystemOutcome o = Check(backend, true);
  EXPECT_TRUE(o.opened && o.cpuDone && o.usageDone);
  EXPECT_FALSE(o.aborted);
  EXPECT_EQ(o.reading.values[kSessions], 1);  // client 100 only
  EXPECT_EQ(backend.calls,
            (std::vector<std::string>{"Open PRD", "ProbeCpu", "Call THUSRINFO", "Close"}));

  // The single run's check has no CPU probe.
  FakeBackend single;
  EXPECT_FALSE(Check(single, false).cpuDone);
  EXPECT_EQ(single.calls, (std::vector<std::string>{"Open PRD", "Call THUSRINFO", "Close"}));
}

TEST(CheckSystemTest, EachStepOnlyAfterTheOneBeforeSucceeded) {
  FakeBackend closed;
  closed.script.opens = false;
  EXPECT_FALSE(Check(closed, true).opened);
  EXPECT_EQ(closed.calls, std::vector<std::string>{"Open PRD"});

  FakeBackend cpuFails;
  cpuFails.script.cpu.outcome = kOutcomeException;
  SystemOutcome o = Check(cpuFails, true);
  EXPECT_FALSE(o.usageDone);
  EXPECT_EQ(cpuFails.calls, (std::vector<std::string>{"Open PRD", "ProbeCpu", "Close"}));

  // After an aborted step the connection is left as it is.
  FakeBackend aborted;
  aborted.script.usage.aborted = true;
  aborted.script.usage.report.operation = "ItGetLine USR_TABL";
  o = Check(aborted, true);
  EXPECT_TRUE(o.aborted);
  EXPECT_EQ(o.report.operation, "ItGetLine USR_TABL");
  EXPECT_EQ(aborted.calls, (std::vector<std::string>{"Open PRD", "ProbeCpu", "Call THUSRINFO"}));
}

TEST(CheckSystemTest, TheOutcomeSoFarIsThereForTheLibrarysErrorHandler) {
  FakeBackend backend;
  backend.script.configFile = true;
  backend.script.abortsInUserList = true;
  backend.script.abortReport.operation = "RfcReceive";
  SystemOutcome outcome;
  SystemOutcome seen;
  backend.InstallErrorHandler([&](const FailureReport& report) {
    seen = outcome;
    seen.aborted = true;
    seen.report = report;
  });
  SystemTask task;
  bool noted = false;
  EXPECT_THROW(CheckSystem(backend, task, outcome, [&noted] { noted = true; }), FakeLibraryAbort);
  EXPECT_TRUE(noted);
  EXPECT_TRUE(seen.configNote && seen.opened && seen.cpuDone && seen.aborted);
  EXPECT_FALSE(seen.usageDone);
  EXPECT_EQ(seen.report.operation, "RfcReceive");
}

}  // namespace
}  // namespace tolvaran
