#include "driver/command_line.h"

#include <gtest/gtest.h>

#include "support/scratch_host.h"

namespace tolvaran {
namespace {

class CommandLineTest : public DriverStepsTest {
 protected:
  int Start(std::vector<std::string> args) { return RunSteps(args, StartUp); }
};

TEST_F(CommandLineTest, NoArgumentIsError1001) {
  EXPECT_EQ(2, Start({}));
  EXPECT_EQ(
      "<Prtg>\n<Error>1</Error>\n<Text>Error 1001: Parameter for Profile-Name is missing "
      "!</Text>\n</Prtg>\n",
      rs_->resultBuffer.str());
}

TEST_F(CommandLineTest, HeaderLineCarriesTimeAndVersionFromItsFirstUse) {
  EXPECT_EQ(-1, Start({"SYS1"}));
  // Start-up reads no time of day: a plain check shows no header.
  EXPECT_TRUE(rs_->headerLine.empty());
  EXPECT_EQ("* 14:03:59 SAP Tolvaran Vers 4.0 / 12.07.19", HeaderLine(*rs_));
  EXPECT_EQ("* 14:03:59 SAP Tolvaran Vers 4.0 / 12.07.19", rs_->headerLine.str());
}

TEST_F(CommandLineTest, ProfileNameAloneLeavesEverythingElseEmpty) {
  EXPECT_EQ(-1, Start({"SYS1"}));
  EXPECT_EQ("SYS1", rs_->profileName.str());
  EXPECT_TRUE(rs_->params.upper.empty());
  EXPECT_TRUE(rs_->params.raw.empty());
  EXPECT_TRUE(rs_->client.empty());
  EXPECT_TRUE(rs_->itemName.empty());
  EXPECT_FALSE(rs_->itemMode);
}

TEST_F(CommandLineTest, EveryArgumentAfterTheProfileJoinsWithOneBlank) {
  EXPECT_EQ(-1, Start({"SYS1", "client=100", "x", "jobs=2", "TimeOut=60"}));
  EXPECT_EQ("CLIENT=100 X JOBS=2 TIMEOUT=60", rs_->params.upper.str());
  EXPECT_EQ("client=100 x jobs=2 TimeOut=60", rs_->params.raw.str());
  EXPECT_EQ("100", rs_->client.str());
  EXPECT_EQ(2, rs_->params.jobs);
  EXPECT_EQ(60, rs_->params.timeoutSeconds);
}

TEST_F(CommandLineTest, RunLimitsOutOfRangeEndTheRun) {
  EXPECT_EQ(2, Start({"SYS1", "JOBS=0"}));
  EXPECT_EQ(
      "<Prtg>\n<Error>1</Error>\n<Text>Error 1021: Invalid JOBS= value (1 to 64) !</Text>\n"
      "</Prtg>\n",
      rs_->resultBuffer.str());
  EXPECT_EQ(2, Start({"SYS1", "x", "y", "TIMEOUT=0"}));
  EXPECT_NE(rs_->resultBuffer.str().find("Error 1017: Invalid TIMEOUT= value (1 to 900 seconds) !"),
            std::string::npos);
}

TEST_F(CommandLineTest, ClientTakesExactlyThreeCharactersOrFewerAtTheEnd) {
  EXPECT_EQ(-1, Start({"SYS1", "CLIENT=1"}));
  EXPECT_EQ("1", rs_->client.str());
  EXPECT_EQ(-1, Start({"SYS1", "CLIENT=10,X"}));
  EXPECT_EQ("10,", rs_->client.str());
  EXPECT_EQ(-1, Start({"SYS1", "XCLIENT=2345"}));
  EXPECT_EQ("234", rs_->client.str());
}

TEST_F(CommandLineTest, ItemKeepsTypedCaseTurnsColonsIntoBlanksAndSelectsTheIndex) {
  EXPECT_EQ(-1, Start({"OTHER", "ITEM=Active:User(s)"}));
  EXPECT_TRUE(rs_->itemMode);
  EXPECT_EQ("Active User(s)", rs_->itemName.str());
  EXPECT_EQ("Dalvenor.Prf", rs_->profileName.str());

  EXPECT_EQ(-1, Start({"X", "item=abc,CLIENT=001"}));
  EXPECT_EQ("abc", rs_->itemName.str());
  EXPECT_EQ("001", rs_->client.str());
}

TEST_F(CommandLineTest, ItemIsCutAtNinetyCharacters) {
  EXPECT_EQ(-1, Start({"X", "ITEM=" + std::string(100, 'a')}));
  EXPECT_EQ(std::string(90, 'a'), rs_->itemName.str());
}

TEST_F(CommandLineTest, OverlongInputIsCutWithBothCopiesAligned) {
  std::string params(200, 'b');
  params.replace(118, 7, "CLIENT=");
  EXPECT_EQ(-1, Start({std::string(80, 'p'), params}));
  EXPECT_EQ(63u, rs_->profileName.size());
  EXPECT_EQ(119u, rs_->params.raw.size());
  EXPECT_EQ(119u, rs_->params.upper.size());
  for (std::size_t i = 0; i < 119; ++i) {
    char raw = rs_->params.raw[i];
    char upper = (raw >= 'a' && raw <= 'z') ? static_cast<char>(raw - 32) : raw;
    ASSERT_EQ(upper, rs_->params.upper[i]) << "position " << i;
  }
  // The key was cut off with the text: no client.
  EXPECT_TRUE(rs_->client.empty());
}

}  // namespace
}  // namespace tolvaran
