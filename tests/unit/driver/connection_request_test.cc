#include "driver/connection_request.h"

#include <gtest/gtest.h>

namespace tolvaran {
namespace {

class ConnectionRequestTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SystemProfile& p = profile;
    p.extCompany.Set("Demo Corp");
    p.destination.Set("PRD");
    p.logonClient.Set("100");
    p.user.Set("SAPMON");
    p.password.Set("Secret99");
    p.language.Set("E");
    p.mode.Set("R/3");
    p.hostname.Set("prdhost");
    p.systemNumber.Set("00");
    p.gatewayHost.Set("prdgw");
    p.gatewayService.Set("sapgw00");
  }

  SystemProfile profile;
  Parameters params;
};

TEST_F(ConnectionRequestTest, CarriesTheProfilesValuesAsTheyAre) {
  ConnectionRequest r = ConnectionRequestFor(profile, params);
  EXPECT_EQ(r.destination, "PRD");
  EXPECT_EQ(r.client, "100");
  EXPECT_EQ(r.user, "SAPMON");
  EXPECT_EQ(r.password, "Secret99");
  EXPECT_EQ(r.language, "E");
  EXPECT_EQ(r.mode, "R/3");
  EXPECT_EQ(r.hostname, "prdhost");
  EXPECT_EQ(r.systemNumber, 0);
  EXPECT_EQ(r.gatewayHost, "prdgw");
  EXPECT_EQ(r.gatewayService, "sapgw00");
}

TEST_F(ConnectionRequestTest, SystemNumberIsReadAsADecimalNumber) {
  struct Case {
    const char* text;
    int value;
  };
  const Case cases[] = {{"00", 0}, {"7a", 7},  {"12", 12}, {"  05", 5},
                        {"+3", 3}, {"-4", -4}, {"x9", 0},  {"99  ", 99}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    profile.systemNumber.Set(c.text);
    EXPECT_EQ(ConnectionRequestFor(profile, params).systemNumber, c.value);
  }
}

TEST_F(ConnectionRequestTest, AnEmptySystemNumberKeepsThePreviousProfilesValue) {
  profile.systemNumber.Clear();
  EXPECT_EQ(ConnectionRequestFor(profile, params).systemNumber, 0);  // nothing before: 0
  profile.systemNumber.Set("07");
  EXPECT_EQ(ConnectionRequestFor(profile, params).systemNumber, 7);
  profile.systemNumber.Clear();
  EXPECT_EQ(ConnectionRequestFor(profile, params).systemNumber, 7);
  profile.systemNumber.Set("00");
  EXPECT_EQ(ConnectionRequestFor(profile, params).systemNumber, 0);
}

TEST_F(ConnectionRequestTest, HostAndNumberMarkersInTheParametersLeaveThemUnset) {
  profile.systemNumber.Set("05");
  ConnectionRequestFor(profile, params);
  params = ParseParameters("/CHECK,HOST=OTHERHOST,NO=09");
  profile.systemNumber.Set("09");
  ConnectionRequest r = ConnectionRequestFor(profile, params);
  EXPECT_EQ(r.hostname, "");
  EXPECT_EQ(r.systemNumber, 5);
  // Each marker on its own.
  params = ParseParameters(",HOST=X");
  r = ConnectionRequestFor(profile, params);
  EXPECT_EQ(r.hostname, "");
  EXPECT_EQ(r.systemNumber, 9);
  params = ParseParameters(",NO=01");
  profile.systemNumber.Set("03");
  r = ConnectionRequestFor(profile, params);
  EXPECT_EQ(r.hostname, "prdhost");
  EXPECT_EQ(r.systemNumber, 9);
}

}  // namespace
}  // namespace tolvaran
