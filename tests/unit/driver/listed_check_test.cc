#include "driver/listed_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "driver/server_fanout.h"
#include "measure/work_processes.h"
#include "output/measurement_document.h"
#include "support/fake_backend.h"
#include "support/fake_host.h"
#include "support/user_list_rows.h"

namespace tolvaran {
namespace {

// The user list's judgement with ITEM= `item`.
Judgement JudgeItem(const ListedCheck& system, std::string_view item, bool checkListing) {
  return Judge(system, UserList(), FindValue(Measurements(), item), checkListing);
}

// A listed system checked against `backend` as a worker checks it, and
// answered.
ListedCheck Checked(FakeBackend& backend) {
  ListedCheck system;
  system.connect = true;
  system.done = true;
  system.answered = true;
  system.label = "PRD.P00";
  system.destination = "PRD";
  SystemTask task;
  task.request.destination = "PRD";
  CheckSystem(backend, task, system.outcome);
  return system;
}

TEST(JudgeTest, ASoundSystemIsProcessedWithItsItemsChannel) {
  FakeBackend backend;
  backend.script.sessions = {FakeBackend::MakeSession("100", "MEIER", "VA01", "PC01"),
                             FakeBackend::MakeSession("100", "MEIER", "", "PC02")};
  Judgement j = JudgeItem(Checked(backend), "Session(s)", false);
  EXPECT_STREQ(j.state, "Processed");
  EXPECT_TRUE(j.processed);
  ASSERT_TRUE(j.hasChannel);
  EXPECT_EQ(j.channel.displayName, "PRD.P00");
  EXPECT_EQ(j.channel.value, "2");
  EXPECT_EQ(j.textBeforeSummary, "");
  EXPECT_TRUE(j.outcomeShown);
}

TEST(JudgeTest, AnUnknownItemIsNotFoundAndCountsAsFailed) {
  FakeBackend backend;
  Judgement j = JudgeItem(Checked(backend), "Sessions", false);
  EXPECT_STREQ(j.state, "Not Found");
  EXPECT_FALSE(j.processed);
  EXPECT_FALSE(j.hasChannel);
}

TEST(JudgeTest, CheckListingIsTheSystemsOwnAndCountsAsProcessedWithoutAChannel) {
  FakeBackend backend;
  ListedCheck system = Checked(backend);
  Judgement j = JudgeItem(system, "Session(s)", true);
  EXPECT_STREQ(j.state, "Processed");
  EXPECT_TRUE(j.processed);
  EXPECT_FALSE(j.hasChannel);
  EXPECT_EQ(j.checkListing, UserList().CheckListing(system.outcome.reading));
  EXPECT_EQ(j.textBeforeSummary, "");
}

TEST(JudgeTest, FailedQueriesLeaveTheirTextButASystemExceptionNone) {
  FakeBackend cpu;
  cpu.script.cpu.outcome = kOutcomeException;
  cpu.script.cpu.exceptionText = "NOT_FOUND";
  Judgement j = JudgeItem(Checked(cpu), "Session(s)", false);
  EXPECT_STREQ(j.state, "Rfc Failure");
  EXPECT_EQ(j.textBeforeSummary, "Error 1012: Exception.: NOT_FOUND");
  EXPECT_FALSE(j.hasChannel);

  FakeBackend usage;
  usage.script.usage.outcome = kOutcomeFailure;
  j = JudgeItem(Checked(usage), "Session(s)", false);
  EXPECT_STREQ(j.state, "Rfc Failure");
  EXPECT_EQ(j.textBeforeSummary, "Error 1014: RFC-Failure raised !");

  FakeBackend system;
  system.script.usage.outcome = kOutcomeSysException;
  j = JudgeItem(Checked(system), "Session(s)", false);
  EXPECT_STREQ(j.state, "Rfc Failure");
  EXPECT_EQ(j.textBeforeSummary, "");
}

TEST(JudgeTest, NoConnectionNoAnswerOrAnAbortIsAFailure) {
  FakeBackend closed;
  closed.script.opens = false;
  Judgement j = JudgeItem(Checked(closed), "Session(s)", false);
  EXPECT_STREQ(j.state, "Rfc Failure");
  EXPECT_FALSE(j.processed);

  FakeBackend aborted;
  aborted.script.usage.aborted = true;
  j = JudgeItem(Checked(aborted), "Session(s)", false);
  EXPECT_STREQ(j.state, "Rfc Failure");
  EXPECT_FALSE(j.hasChannel);
  EXPECT_TRUE(j.outcomeShown);  // its report goes among the progress lines

  FakeBackend sound;
  ListedCheck unanswered = Checked(sound);
  unanswered.answered = false;
  j = JudgeItem(unanswered, "Session(s)", false);
  EXPECT_STREQ(j.state, "Rfc Failure");
  EXPECT_FALSE(j.outcomeShown);
}

// SERVERS=ALL: the listed system's worker counts it over its server list
// and sends the outcome over the pipe. The second instance's name gives no
// system number, so it fails without a worker of its own.
TEST(JudgeTest, ASystemMissingAServerIsProcessedWithAWarningOneWithoutCountsFails) {
  FakeBackend backend;
  backend.script.servers = {{"app1_PRD_01", "app1", "sapdp01"}, {"app2_PRD", "app2", ""}};
  backend.script.instanceName = "app1_PRD_01";
  backend.script.sessions = {FakeBackend::MakeSession("100", "ALICE", "VA01", "T1"),
                             FakeBackend::MakeSession("100", "BOB", "", "T2"),
                             FakeBackend::MakeSession("100", "ALICE", "", "T3")};
  auto checked = [&backend] {
    ListedCheck system;
    system.connect = system.done = system.answered = true;
    system.label = "PRD.P00";
    SystemTask task;
    task.request.destination = "PRD";
    task.serverList = task.keepRows = true;
    task.fanOutJobs = 2;
    SystemOutcome outcome;
    CheckSystem(backend, task, outcome);
    FakeHost host;
    CountListedSystem(host, task, &outcome);
    EXPECT_TRUE(DecodeOutcome(EncodeOutcome(outcome, UserList()), UserList(), &system.outcome));
    return system;
  };
  Judgement j = JudgeItem(checked(), "Active User(s)", false);
  EXPECT_STREQ(j.state, "Processed");
  EXPECT_TRUE(j.processed);
  EXPECT_TRUE(j.partial);
  ASSERT_TRUE(j.hasChannel);
  EXPECT_EQ(j.channel.value, "2");
  EXPECT_TRUE(j.channel.warning);

  backend.script.serverList.outcome = kOutcomeException;
  backend.script.serverList.exceptionText = "NO_SERVER_LIST";
  j = JudgeItem(checked(), "Active User(s)", false);
  EXPECT_STREQ(j.state, "Rfc Failure");
  EXPECT_FALSE(j.partial);
  EXPECT_FALSE(j.hasChannel);
  EXPECT_EQ(j.textBeforeSummary, "Error 1019: Server list of PRD not available: NO_SERVER_LIST !");
}

// ITEM= on a work-process value with SERVERS=ALL: the worker asks every
// server over its one connection (no instance of its own), and the value is
// the sums'; without the server list the system fails as the single run
// would.
TEST(JudgeTest, AWorkProcessValueIsTheServersSumsOverTheOneConnection) {
  FakeBackend backend;
  backend.script.servers = {{"app1_PRD_01", "app1", "sapdp01"}, {"app2_PRD_02", "app2", ""}};
  backend.script.tables["TH_WPINFO"].rows = {
      FakeBackend::Row{{{"WP_TYP", "DIA"}}, {{"WP_ITYPE", 1}, {"WP_ISTATUS", kWpRunning}}},
      FakeBackend::Row{{{"WP_TYP", "DIA"}}, {{"WP_ITYPE", 1}, {"WP_ISTATUS", kWpWaiting}}},
      FakeBackend::Row{{{"WP_TYP", "DIA"}}, {{"WP_ITYPE", 1}, {"WP_ISTATUS", kWpWaiting}}},
      FakeBackend::Row{{{"WP_TYP", "DIA"}}, {{"WP_ITYPE", 1}, {"WP_ISTATUS", kWpWaiting}}}};
  const ValueRef item = FindValue(Measurements(), "Dialog WPs Busy");
  ASSERT_TRUE(item.found());
  auto checked = [&backend, &item] {
    ListedCheck system;
    system.connect = system.done = system.answered = true;
    system.label = "PRD.P00";
    system.destination = "PRD";
    SystemTask task;
    task.measurement = item.measurement;
    task.request.destination = "PRD";
    task.serverList = true;
    SystemOutcome outcome;
    CheckSystem(backend, task, outcome);
    EXPECT_TRUE(DecodeOutcome(EncodeOutcome(outcome, *item.measurement), *item.measurement,
                              &system.outcome));
    return system;
  };
  Judgement j = Judge(checked(), *item.measurement, item, false);
  EXPECT_STREQ(j.state, "Processed");
  ASSERT_TRUE(j.hasChannel);
  EXPECT_EQ(j.channel.value, "2");  // one busy of four on each server
  EXPECT_FALSE(j.channel.warning);
  EXPECT_EQ(std::count(backend.calls.begin(), backend.calls.end(), "Open PRD"), 1);

  backend.script.serverList.outcome = kOutcomeException;
  backend.script.serverList.exceptionText = "NO_SERVER_LIST";
  j = Judge(checked(), *item.measurement, item, false);
  EXPECT_STREQ(j.state, "Rfc Failure");
  EXPECT_FALSE(j.hasChannel);
  EXPECT_EQ(j.textBeforeSummary, "Error 1019: Server list of PRD not available: NO_SERVER_LIST !");
}

TEST(JudgeTest, TimeoutAndAFailedProfileAreJudgedWithoutAnOutcome) {
  ListedCheck timedOut;
  timedOut.connect = timedOut.done = timedOut.timedOut = true;
  Judgement j = JudgeItem(timedOut, "Session(s)", false);
  EXPECT_STREQ(j.state, "Timeout");
  EXPECT_FALSE(j.processed);
  EXPECT_FALSE(j.outcomeShown);

  ListedCheck failedProfile;
  failedProfile.profileFailed = failedProfile.done = true;
  j = JudgeItem(failedProfile, "Session(s)", false);
  EXPECT_STREQ(j.state, "Rfc Failure");
  EXPECT_EQ(j.textBeforeSummary, "");
}

}  // namespace
}  // namespace tolvaran
