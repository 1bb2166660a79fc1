#include "driver/server_fanout.h"

#include <gtest/gtest.h>

#include "support/fake_backend.h"

namespace tolvaran {
namespace {

InstanceCheck Counted(const std::string& name, std::vector<Session> sessions) {
  InstanceCheck check;
  check.name = name;
  check.counted = true;
  check.sessions = std::move(sessions);
  return check;
}

TEST(CombineInstancesTest, NamesCountOnceOverInstancesAndTheRestIsSummed) {
  using F = FakeBackend;
  InstanceCheck refused;
  refused.name = "app3_PRD_03";
  refused.reason = "RFC-Open failed";
  std::vector<InstanceCheck> instances = {
      Counted("app1_PRD_01", {F::MakeSession("100", "ALICE", "VA01", "T1"),
                              F::MakeSession("100", "BOB", "", "T2")}),
      Counted("app2_PRD_02", {F::MakeSession("100", "ALICE", "FB01", "T1"),
                              F::MakeSession("200", "CAROL", "SE38", "T3")}),
      refused};
  SystemUsage usage = CombineInstances(instances, "");
  EXPECT_EQ(usage.counts.activeUsers, 3u);
  EXPECT_EQ(usage.counts.terminals, 3u);
  EXPECT_EQ(usage.counts.sessions, 4u);
  EXPECT_EQ(usage.counts.tranCodes, 3u);
  EXPECT_EQ(usage.counts.externalModes, 4u);
  EXPECT_EQ(usage.counts.internalModes, 8u);
  EXPECT_EQ(usage.counted, 2u);
  EXPECT_EQ(ServersLabel("PRD", usage, 120), "PRD, 2 of 3 servers; app3_PRD_03: RFC-Open failed");
  EXPECT_EQ(ServersLabel("PRD", usage, 30), "PRD, 2 of 3 servers");
  EXPECT_EQ(InstanceLines(usage),
            " * Server.........: app1_PRD_01 Sessions=2\n"
            " * Server.........: app2_PRD_02 Sessions=2\n"
            " * Server.........: app3_PRD_03 not counted: RFC-Open failed\n");

  // The client filter applies to every instance's list.
  SystemUsage client = CombineInstances(instances, "200");
  EXPECT_EQ(client.counts.activeUsers, 1u);
  EXPECT_EQ(client.perInstance[0].sessions, 0u);
}

TEST(ServerListFailureTest, NamesTheExceptionOrWhatFailed) {
  QueryResult result;
  EXPECT_EQ(ServerListFailure("PRD", result), "");
  result.outcome = kOutcomeException;
  result.exceptionText = "NO_SERVER_LIST";
  EXPECT_EQ(ServerListFailure("PRD", result),
            "Error 1019: Server list of PRD not available: NO_SERVER_LIST !");
  result.outcome = kOutcomeFailure;
  result.exceptionText.clear();
  EXPECT_EQ(ServerListFailure("PRD", result),
            "Error 1019: Server list of PRD not available: RFC-Failure !");
}

}  // namespace
}  // namespace tolvaran
