#include "driver/server_fanout.h"

#include <gtest/gtest.h>

#include "support/fake_backend.h"
#include "support/user_list_rows.h"

namespace tolvaran {
namespace {

// An instance counted by its worker for `client`, its rows kept.
InstanceCheck Counted(const std::string& name, const std::vector<Session>& sessions,
                      const std::string& client) {
  InstanceCheck check;
  check.name = name;
  check.counted = true;
  check.reading = ValuesOf(sessions, client);
  check.rows = RowsOf(sessions);
  return check;
}

TEST(CombineInstancesTest, NamesCountOnceOverInstancesAndTheRestIsSummed) {
  using F = FakeBackend;
  auto instances = [](const std::string& client) {
    InstanceCheck refused;
    refused.name = "app3_PRD_03";
    refused.reason = "RFC-Open failed";
    return std::vector<InstanceCheck>{Counted("app1_PRD_01",
                                              {F::MakeSession("100", "ALICE", "VA01", "T1"),
                                               F::MakeSession("100", "BOB", "", "T2")},
                                              client),
                                      Counted("app2_PRD_02",
                                              {F::MakeSession("100", "ALICE", "FB01", "T1"),
                                               F::MakeSession("200", "CAROL", "SE38", "T3")},
                                              client),
                                      refused};
  };
  const std::vector<InstanceCheck> all = instances("");
  SystemUsage usage = CombineInstances(all, UserList(), "");
  EXPECT_EQ(usage.reading.values, (std::vector<std::int64_t>{3, 3, 3, 4, 4, 8}));
  EXPECT_EQ(usage.counted, 2u);
  EXPECT_EQ(ServersLabel("PRD", usage, 120), "PRD, 2 of 3 servers; app3_PRD_03: RFC-Open failed");
  EXPECT_EQ(ServersLabel("PRD", usage, 30), "PRD, 2 of 3 servers");
  EXPECT_EQ(InstanceLines(usage, UserList()),
            " * Server.........: app1_PRD_01 Sessions=2\n"
            " * Server.........: app2_PRD_02 Sessions=2\n"
            " * Server.........: app3_PRD_03 not counted: RFC-Open failed\n");

  // The client filter applies to every instance's list.
  const std::vector<InstanceCheck> inClient = instances("200");
  SystemUsage client = CombineInstances(inClient, UserList(), "200");
  EXPECT_EQ(client.reading.values[kActiveUsers], 1);
  EXPECT_EQ(client.perInstance[0].reading.values[kSessions], 0);
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
