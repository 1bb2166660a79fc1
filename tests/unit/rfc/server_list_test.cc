// The system number of a row of the server list.
#include "rfc/server_list.h"

#include <gtest/gtest.h>

#include <optional>

namespace tolvaran {
namespace {

std::optional<int> NumberOf(const char* name, const char* service) {
  return InstanceSystemNumber(ServerEntry{name, "somehost", service});
}

TEST(InstanceSystemNumberTest, TheLastPartOfTheNameWhenItIsTwoDigits) {
  EXPECT_EQ(NumberOf("prdapp1_PRD_01", "sapdp07"), 1);
  EXPECT_EQ(NumberOf("prdapp3_PRD_42", ""), 42);
  // Host names may hold "_": the name is read from the right.
  EXPECT_EQ(NumberOf("prd_app_2_PRD_02", ""), 2);
  EXPECT_EQ(NumberOf("00", ""), 0);
}

TEST(InstanceSystemNumberTest, OtherwiseTheDispatchersService) {
  EXPECT_EQ(NumberOf("prdapp1_PRD_1", "sapdp01"), 1);
  EXPECT_EQ(NumberOf("prdapp1_PRD_001", "SAPDP13"), 13);
  EXPECT_EQ(NumberOf("prdapp1_PRD_x1", "sapdp99"), 99);
  EXPECT_EQ(NumberOf("no-number", "sapdp05"), 5);
}

TEST(InstanceSystemNumberTest, NoneWhenNeitherGivesTwoDigits) {
  EXPECT_EQ(NumberOf("prdapp1_PRD_1", ""), std::nullopt);
  EXPECT_EQ(NumberOf("prdapp1_PRD_", "sapdp1"), std::nullopt);
  EXPECT_EQ(NumberOf("prdapp1_PRD_0a", "sapdp012"), std::nullopt);
  EXPECT_EQ(NumberOf("prdapp1_PRD", "sapgw01"), std::nullopt);
  EXPECT_EQ(NumberOf("", "sapdp"), std::nullopt);
  EXPECT_EQ(NumberOf("prdapp1_PRD_+1", "3201"), std::nullopt);
}

}  // namespace
}  // namespace tolvaran
