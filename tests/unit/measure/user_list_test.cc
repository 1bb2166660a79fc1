#include "measure/user_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "measure/registry.h"
#include "support/fake_backend.h"
#include "support/user_list_rows.h"

namespace tolvaran {
namespace {

MeasuredValues Measured(FakeBackend& backend, const std::string& client,
                        std::vector<KeptRow>* kept = nullptr) {
  MeasuredValues reading;
  MeasureContext context;
  context.client = client;
  QueryResult result = MeasureOver(backend, 41, UserList(), context, &reading, kept);
  EXPECT_EQ(result.outcome, kOutcomeOk);
  return reading;
}

TEST(UserListTest, CountsDistinctNamesAndSumsTheRestForTheClientCounted) {
  FakeBackend backend;
  backend.script.sessions = {FakeBackend::MakeSession("100", "ANNA", "SE38", "T1"),
                             FakeBackend::MakeSession("100", "ANNA", "", "T2"),
                             FakeBackend::MakeSession("100", "BERT", "VA01", "T2"),
                             FakeBackend::MakeSession("200", "CARL", "VA01", "T3")};
  EXPECT_EQ(Measured(backend, "").values, (std::vector<std::int64_t>{3, 3, 3, 4, 4, 8}));
  EXPECT_EQ(Measured(backend, "100").values, (std::vector<std::int64_t>{2, 2, 2, 3, 3, 6}));
  EXPECT_EQ(backend.lastCall.function, "THUSRINFO");
  EXPECT_EQ(backend.lastCall.structure, "UINFO");
  EXPECT_EQ(UserList().Summary(Measured(backend, "100"), "PRD", "100"),
            "(PRD) Sys-Usage Client[100]: Active Users=2, Act Tran-Codes=2, Terminals=2, "
            "Sessions=3");
}

TEST(UserListTest, ServersCombineUsersAsDistinctNamesOverTheirReplayedRows) {
  FakeBackend first, second;
  first.script.sessions = {FakeBackend::MakeSession("100", "ANNA", "SE38", "T1")};
  second.script.sessions = {FakeBackend::MakeSession("100", "ANNA", "", "T2"),
                            FakeBackend::MakeSession("100", "BERT", "", "T2")};
  std::vector<KeptRow> rowsA, rowsB;
  const MeasuredValues a = Measured(first, "", &rowsA);
  const MeasuredValues b = Measured(second, "", &rowsB);
  const MeasuredValues system =
      CombineReadings(UserList(), MeasureContext{}, {&a, &b}, {&rowsA, &rowsB});
  EXPECT_EQ(system.values, (std::vector<std::int64_t>{2, 1, 2, 3, 3, 6}));
}

TEST(RegistryTest, FindsTheUserListByKeyAndItsValuesByDisplayName) {
  EXPECT_EQ(FindMeasurement("USERS"), &UserList());
  EXPECT_EQ(FindMeasurement("users"), nullptr);
  const ValueRef sessions = FindValue(Measurements(), "Session(s)");
  ASSERT_TRUE(sessions.found());
  EXPECT_EQ(sessions.index, std::size_t{kSessions});
  EXPECT_FALSE(FindValue(Measurements(), "Sessions").found());
}

}  // namespace
}  // namespace tolvaran
