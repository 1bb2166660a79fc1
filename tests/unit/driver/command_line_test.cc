#include "driver/command_line.h"

#include <gtest/gtest.h>

#include "support/scratch_host.h"

namespace tolvaran {
namespace {

class CommandLineTest : public DriverStepsTest {
 protected:
  int Start(std::vector<std::string> args) {
    return RunSteps(args, [this](const std::vector<std::string>& a) {
      inv_ = StartUp(*host_, a, 0);
      ReportSettings report = inv_.report;
      CheckParameters(inv_.params, &report);
    });
  }
  Invocation inv_;
};

TEST_F(CommandLineTest, NoArgumentIsError1001) {
  EXPECT_EQ(2, Start({}));
  EXPECT_EQ(
      "<Prtg>\n<Error>1</Error>\n<Text>Error 1001: Parameter for Profile-Name is missing "
      "!</Text>\n</Prtg>\n",
      output_);
}

TEST_F(CommandLineTest, HeaderLineCarriesTimeAndVersionWithProgressLines) {
  EXPECT_EQ(-1, Start({"SYS1"}));
  // Start-up reads no time of day where no progress line shows it.
  EXPECT_TRUE(inv_.headerLine.empty());
  EXPECT_EQ(-1, Start({"SYS1", "#"}));
  EXPECT_EQ("* 14:03:59 SAP Tolvaran Vers 4.0 / 12.07.19", inv_.headerLine.str());
}

TEST_F(CommandLineTest, ProfileNameAloneLeavesEverythingElseEmpty) {
  EXPECT_EQ(-1, Start({"SYS1"}));
  EXPECT_EQ("SYS1", inv_.profileName.str());
  EXPECT_TRUE(inv_.params.upper.empty());
  EXPECT_TRUE(inv_.params.raw.empty());
  EXPECT_TRUE(inv_.params.client.empty());
  EXPECT_TRUE(inv_.itemName.empty());
  EXPECT_FALSE(inv_.itemMode);
}

TEST_F(CommandLineTest, EveryArgumentAfterTheProfileJoinsWithOneBlank) {
  EXPECT_EQ(-1, Start({"SYS1", "client=100", "x", "jobs=2", "TimeOut=60"}));
  EXPECT_EQ("CLIENT=100 X JOBS=2 TIMEOUT=60", inv_.params.upper.str());
  EXPECT_EQ("client=100 x jobs=2 TimeOut=60", inv_.params.raw.str());
  EXPECT_EQ("100", inv_.params.client);
  EXPECT_EQ(2, inv_.params.jobs);
  EXPECT_EQ(60, inv_.params.timeoutSeconds);
}

TEST_F(CommandLineTest, RunLimitsOutOfRangeEndTheRun) {
  EXPECT_EQ(2, Start({"SYS1", "JOBS=0"}));
  EXPECT_EQ(
      "<Prtg>\n<Error>1</Error>\n<Text>Error 1021: Invalid JOBS= value (1 to 64) !</Text>\n"
      "</Prtg>\n",
      output_);
  EXPECT_EQ(2, Start({"SYS1", "x", "y", "TIMEOUT=0"}));
  EXPECT_NE(output_.find("Error 1017: Invalid TIMEOUT= value (1 to 900 seconds) !"),
            std::string::npos);
}

TEST_F(CommandLineTest, ClientTakesExactlyThreeCharactersOrFewerAtTheEnd) {
  EXPECT_EQ(-1, Start({"SYS1", "CLIENT=1"}));
  EXPECT_EQ("1", inv_.params.client);
  EXPECT_EQ(-1, Start({"SYS1", "CLIENT=10,X"}));
  EXPECT_EQ("10,", inv_.params.client);
  EXPECT_EQ(-1, Start({"SYS1", "XCLIENT=2345"}));
  EXPECT_EQ("234", inv_.params.client);
}

TEST_F(CommandLineTest, ItemKeepsTypedCaseTurnsColonsIntoBlanksAndSelectsTheIndex) {
  EXPECT_EQ(-1, Start({"OTHER", "ITEM=Active:User(s)"}));
  EXPECT_TRUE(inv_.itemMode);
  EXPECT_EQ("Active User(s)", inv_.itemName.str());
  EXPECT_EQ("Dalvenor.Prf", inv_.profileName.str());

  EXPECT_EQ(-1, Start({"X", "item=abc,CLIENT=001"}));
  EXPECT_EQ("abc", inv_.itemName.str());
  EXPECT_EQ("001", inv_.params.client);
}

TEST_F(CommandLineTest, ItemIsCutAtNinetyCharacters) {
  EXPECT_EQ(-1, Start({"X", "ITEM=" + std::string(100, 'a')}));
  EXPECT_EQ(std::string(90, 'a'), inv_.itemName.str());
}

TEST_F(CommandLineTest, OverlongInputIsCutWithBothCopiesAligned) {
  std::string params(200, 'b');
  params.replace(118, 7, "CLIENT=");
  EXPECT_EQ(-1, Start({std::string(80, 'p'), params}));
  EXPECT_EQ(63u, inv_.profileName.size());
  EXPECT_EQ(119u, inv_.params.raw.size());
  EXPECT_EQ(119u, inv_.params.upper.size());
  for (std::size_t i = 0; i < 119; ++i) {
    char raw = inv_.params.raw[i];
    char upper = (raw >= 'a' && raw <= 'z') ? static_cast<char>(raw - 32) : raw;
    ASSERT_EQ(upper, inv_.params.upper[i]) << "position " << i;
  }
  // The key was cut off with the text: no client.
  EXPECT_TRUE(inv_.params.client.empty());
}

}  // namespace
}  // namespace tolvaran
