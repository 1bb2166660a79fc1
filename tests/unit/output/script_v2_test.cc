#include "output/script_v2.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/user_list_rows.h"

namespace tolvaran {
namespace {

const std::vector<std::int64_t> kValues = {3, 1, 2, 4, 5, 6};

ListedSystem Counted(const std::string& profile, const std::string& label, std::uint32_t users) {
  ListedSystem system;
  system.profile = profile;
  system.label = label;
  system.state = SystemState::kOk;
  system.reading.values = {users, 0, 0, 0, 0, 0};
  return system;
}

ListingResult ActiveUsersListing(std::vector<ListedSystem> systems) {
  ListingResult listing;
  listing.itemName = "Active User(s)";
  listing.item = UserItem(0);
  listing.measurement = &UserList();
  listing.systems = std::move(systems);
  listing.summary = "(***) Active User(s): NoSystems=" + std::to_string(listing.systems.size());
  return listing;
}

TEST(ScriptV2Test, ASingleRunIsTheSixChannelsWithFixedIds) {
  const RenderedOutput out = RenderScriptV2(CheckReport::Single(
      "PRD", "", UserList(), UserValues(kValues), "(PRD) System-Usage: Active Users=3"));
  EXPECT_EQ(
      out.bytes,
      "{\"version\":2,\"status\":\"ok\",\"message\":\"(PRD) System-Usage: Active Users=3\","
      "\"channels\":[{\"id\":10,\"name\":\"Active User(s)\",\"type\":\"integer\",\"value\":3},"
      "{\"id\":11,\"name\":\"Act Tran-Codes\",\"type\":\"integer\",\"value\":1},"
      "{\"id\":12,\"name\":\"Act Terminals\",\"type\":\"integer\",\"value\":2},"
      "{\"id\":13,\"name\":\"Session(s)\",\"type\":\"integer\",\"value\":4},"
      "{\"id\":14,\"name\":\"External Modi\",\"type\":\"integer\",\"value\":5},"
      "{\"id\":15,\"name\":\"Internal Modi\",\"type\":\"integer\",\"value\":6}]}\n");
  EXPECT_EQ(out.exitStatus, 0);
}

TEST(ScriptV2Test, AnErrorIsStatusErrorWithItsMessageAndExitStatusZero) {
  const RenderedOutput out = RenderScriptV2(CheckReport::Failure(
      "PRD", {1011, "Error 1011: RFC-Open for PRD failed !", ErrorClass::kUnreachable}));
  EXPECT_EQ(out.bytes,
            "{\"version\":2,\"status\":\"error\",\"message\":\"Error 1011: RFC-Open for PRD "
            "failed !\"}\n");
  EXPECT_EQ(out.exitStatus, 0);
}

TEST(ScriptV2Test, StringsAreEscapedAndMadeUtf8) {
  EXPECT_EQ(JsonString("a\"b\\c"), "\"a\\\"b\\\\c\"");
  EXPECT_EQ(JsonString(std::string("\n\t\x01\0\x1f", 5)),
            "\"\\u000a\\u0009\\u0001\\u0000\\u001f\"");
  EXPECT_EQ(JsonString("]]>/\x7f"), "\"]]>/\x7f\"");
  // Latin-1 as Windows-1252; valid UTF-8 as it is.
  EXPECT_EQ(JsonString("caf\xe9 \x80 \xc3\xa9"), "\"caf\xc3\xa9 \xe2\x82\xac \xc3\xa9\"");
}

TEST(ScriptV2Test, TheMessageIsCutAt2000CharactersNotBytes) {
  std::string text;
  for (int i = 0; i < 2100; ++i) text += "\xc3\xa9";
  const std::string bytes =
      RenderScriptV2(CheckReport::Single("PRD", "", UserList(), UserValues(kValues), text)).bytes;
  std::string expected = "\"message\":\"";
  for (int i = 0; i < 2000; ++i) expected += "\xc3\xa9";
  expected += "\",";
  EXPECT_NE(bytes.find(expected), std::string::npos);
}

TEST(ScriptV2Test, AListedSystemsIdDependsOnItsProfileNameAlone) {
  const std::vector<std::int32_t> alone = ListingChannelIds({"PRD.P00"});
  const std::vector<std::int32_t> among = ListingChannelIds({"QAS.P00", "prd.p00", "DEV.P00"});
  EXPECT_EQ(among[1], alone[0]);
  EXPECT_NE(among[0], among[1]);
  // The monitor keys channels by id: these must never change between
  // versions (FNV-1a of "PRD.P00", reduced to 1000..2147483647).
  EXPECT_EQ(alone[0], 1954803719);
}

TEST(ScriptV2Test, ACollisionIsResolvedTheSameWayInAnyListingOrder) {
  // These two names hash to the same id.
  const std::int32_t hashed = ListingChannelIds({"S047283.P00"})[0];
  ASSERT_EQ(ListingChannelIds({"S020154.P00"})[0], hashed);
  const std::vector<std::int32_t> one = ListingChannelIds({"S047283.P00", "S020154.P00"});
  const std::vector<std::int32_t> other = ListingChannelIds({"S020154.P00", "S047283.P00"});
  EXPECT_EQ(one[1], hashed);  // it sorts first and keeps the id
  EXPECT_EQ(one[0], hashed + 1);
  EXPECT_EQ(other[0], one[1]);
  EXPECT_EQ(other[1], one[0]);
}

TEST(ScriptV2Test, AListingBeyondFiftySystemsKeepsTheFirstFiftyAndWarns) {
  std::vector<ListedSystem> systems;
  for (int i = 0; i < 53; ++i) {
    systems.push_back(Counted("S" + std::to_string(i) + ".P00", "S" + std::to_string(i), 7));
  }
  const std::string bytes =
      RenderScriptV2(CheckReport::Listing("", ActiveUsersListing(systems))).bytes;
  EXPECT_EQ(bytes.rfind("{\"version\":2,\"status\":\"warning\",", 0), 0u);
  EXPECT_NE(bytes.find("3 more systems left out (at most 50 channels)"), std::string::npos);
  EXPECT_NE(bytes.find("\"name\":\"S49\""), std::string::npos);
  EXPECT_EQ(bytes.find("\"name\":\"S50\""), std::string::npos);
}

TEST(ScriptV2Test, AListedSystemWithoutAValueHasNoChannelAndIsNamed) {
  ListedSystem failed = Counted("QAS.P00", "QAS", 0);
  failed.state = SystemState::kFailed;
  const std::string bytes =
      RenderScriptV2(
          CheckReport::Listing("", ActiveUsersListing({Counted("PRD.P00", "PRD", 9), failed})))
          .bytes;
  const std::string id = std::to_string(ListingChannelIds({"PRD.P00"})[0]);
  EXPECT_EQ(bytes,
            "{\"version\":2,\"status\":\"warning\",\"message\":\"(***) Active User(s): "
            "NoSystems=2; failed: QAS\",\"channels\":[{\"id\":" +
                id + ",\"name\":\"PRD\",\"type\":\"integer\",\"value\":9}]}\n");
}

}  // namespace
}  // namespace tolvaran
