#include "output/channel.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace tolvaran {
namespace {

class ChannelTest : public ::testing::Test {
 protected:
  std::unique_ptr<RunState> rs = std::make_unique<RunState>();

  // Parameters as typed; the upper-cased copy is what keys are found in.
  void SetParameters(const std::string& typed) { rs->params = ParseParameters(typed); }

  std::string Written() const { return rs->resultBuffer.str(); }

  void WriteFirstChannel(const std::string& unit = "") {
    WriteChannel(*rs, "Active_Users", "Active User(s)", "12", unit);
  }
};

const OutputFlavour kXmlFamily[] = {OutputFlavour::kExeXml, OutputFlavour::kMirvane,
                                    OutputFlavour::kFandrok};
const OutputFlavour kAllFlavours[] = {OutputFlavour::kExeXml, OutputFlavour::kMirvane,
                                      OutputFlavour::kQuillrax, OutputFlavour::kTembrel,
                                      OutputFlavour::kFandrok};

TEST_F(ChannelTest, FirstUsageChannelInEveryDialect) {
  for (OutputFlavour flavour : kXmlFamily) {
    SCOPED_TRACE(FlavourName(flavour));
    rs->resultBuffer.Clear();
    rs->outputFlavour = flavour;
    WriteFirstChannel();
    EXPECT_EQ(Written(),
              "\n<Result><Channel>Active User(s)</Channel>\n<Value>12</Value></Result>\n");
  }

  rs->resultBuffer.Clear();
  rs->outputFlavour = OutputFlavour::kQuillrax;
  WriteFirstChannel();
  EXPECT_EQ(Written(), "\n\nMessage.Active_Users: Active User(s) (#)\nStatistic.Active_Users: 12");

  rs->resultBuffer.Clear();
  rs->outputFlavour = OutputFlavour::kTembrel;
  WriteFirstChannel();
  EXPECT_EQ(Written(), "\n> Active User(s): 12 #");
}

TEST_F(ChannelTest, UnitsShowAsCustomUnitInXmlAndAsSymbolsInTextDialects) {
  for (OutputFlavour flavour : kXmlFamily) {
    SCOPED_TRACE(FlavourName(flavour));
    rs->resultBuffer.Clear();
    rs->outputFlavour = flavour;
    WriteFirstChannel("PerCent");
    EXPECT_EQ(Written(),
              "\n<Result><Channel>Active User(s)</Channel>"
              "\n<Unit>Custom</Unit>\n<CustomUnit>PerCent</CustomUnit>"
              "\n<Value>12</Value></Result>\n");
  }

  struct Case {
    const char* unit;
    const char* shown;
  };
  const Case cases[] = {
      {"PerCent", "%"}, {"TimeResponse", "mSec"}, {"kB", "kB"}, {"percent", "percent"}, {"", "#"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.unit);
    rs->resultBuffer.Clear();
    rs->outputFlavour = OutputFlavour::kQuillrax;
    WriteFirstChannel(c.unit);
    EXPECT_EQ(Written(), std::string("\n\nMessage.Active_Users: Active User(s) (") + c.shown +
                             ")\nStatistic.Active_Users: 12");

    rs->resultBuffer.Clear();
    rs->outputFlavour = OutputFlavour::kTembrel;
    WriteFirstChannel(c.unit);
    EXPECT_EQ(Written(), std::string("\n> Active User(s): 12 ") + c.shown);
  }
}

TEST_F(ChannelTest, KeyTurnsSeparatorsAndOnlyTheFirstDot) {
  rs->outputFlavour = OutputFlavour::kQuillrax;
  WriteChannel(*rs, "a b/c\\d.e.f", "Shown name", "5", "");
  EXPECT_EQ(Written(), "\n\nMessage.a_b_c_d_e.f: Shown name (#)\nStatistic.a_b_c_d_e.f: 5");

  // Without a channel name the key comes from the display name, which
  // itself is shown unchanged.
  rs->resultBuffer.Clear();
  WriteChannel(*rs, "", "PRD.P00 host/1", "7", "");
  EXPECT_EQ(Written(),
            "\n\nMessage.PRD_P00_host_1: PRD.P00 host/1 (#)\nStatistic.PRD_P00_host_1: 7");
}

TEST_F(ChannelTest, XmlEscapesDisplayNameUnitAndValue) {
  for (OutputFlavour flavour : kXmlFamily) {
    SCOPED_TRACE(FlavourName(flavour));
    rs->resultBuffer.Clear();
    rs->outputFlavour = flavour;
    WriteChannel(*rs, "", "R&D <x>", "1<2&3", "m&<s>");
    EXPECT_EQ(Written(),
              "\n<Result><Channel>R&amp;D &lt;x></Channel>"
              "\n<Unit>Custom</Unit>\n<CustomUnit>m&amp;&lt;s></CustomUnit>"
              "\n<Value>1&lt;2&amp;3</Value></Result>\n");
  }
}

TEST_F(ChannelTest, TextDialectsAreNotEscaped) {
  rs->outputFlavour = OutputFlavour::kQuillrax;
  WriteChannel(*rs, "", "R&D <x>", "1<2", "m&s");
  EXPECT_EQ(Written(), "\n\nMessage.R&D_<x>: R&D <x> (m&s)\nStatistic.R&D_<x>: 1<2");

  rs->resultBuffer.Clear();
  rs->outputFlavour = OutputFlavour::kTembrel;
  WriteChannel(*rs, "", "R&D <x>", "1<2", "m&s");
  EXPECT_EQ(Written(), "\n> R&D <x>: 1<2 m&s");
}

TEST_F(ChannelTest, TembrelSelectorWritesOnlyTheSelectedValue) {
  rs->outputFlavour = OutputFlavour::kTembrel;

  struct Case {
    const char* parameters;
    int firstCounter;  // the counter before the first of five channels
    const char* expected;
  };
  const Case cases[] = {
      {"CH=1", 0, "v1"},
      {"CH=2", 0, "v2"},
      {"CH=3,ITEM=Active:User(s)", 0, "v3"},
      {"ch=2", 0, "v2"},
      {"CH=12", 10, "v12"},
      {"CH=1234", 120, "v123"},  // three characters at most
      {"CH=1,2", 0, "v1"},       // the comma ends the number
      {"CH= 4", 0, "v4"},        // leading blank skipped
      {"CH=+5", 0, "v5"},        // optional sign
      {"CH=4x", 0, "v4"},        // leading digits only
      {"X CH=2 Y", 0, "v2"},     // found wherever it stands
      {"CH=", 0, ""},            // no digits select nothing
      {"CH=abc", 0, ""},
      {"CH=,5", 0, ""},
      {"CH=9", 0, ""},  // no such channel
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.parameters);
    SetParameters(c.parameters);
    rs->resultBuffer.Clear();
    rs->channelCounter = c.firstCounter;
    for (int i = 1; i <= 5; ++i) {
      int number = c.firstCounter + i;
      WriteChannel(*rs, "Key", "Name", "v" + std::to_string(number), "");
    }
    EXPECT_EQ(Written(), c.expected);
    EXPECT_EQ(rs->channelCounter, c.firstCounter + 5);
  }
}

TEST_F(ChannelTest, SelectorIsIgnoredOutsideTembrel) {
  SetParameters("CH=2");
  rs->outputFlavour = OutputFlavour::kQuillrax;
  WriteFirstChannel();
  EXPECT_EQ(Written(), "\n\nMessage.Active_Users: Active User(s) (#)\nStatistic.Active_Users: 12");

  rs->resultBuffer.Clear();
  rs->outputFlavour = OutputFlavour::kExeXml;
  WriteFirstChannel();
  EXPECT_EQ(Written(), "\n<Result><Channel>Active User(s)</Channel>\n<Value>12</Value></Result>\n");
}

TEST_F(ChannelTest, CounterAdvancesOnEveryCallAcrossDialects) {
  for (OutputFlavour flavour : kAllFlavours) {
    rs->outputFlavour = flavour;
    WriteFirstChannel();
  }
  EXPECT_EQ(rs->channelCounter, 5);

  // Numbers continue where earlier systems left off: the seventh channel
  // of the process is number 7.
  SetParameters("CH=7");
  rs->outputFlavour = OutputFlavour::kTembrel;
  rs->resultBuffer.Clear();
  WriteChannel(*rs, "", "A", "six", "");
  WriteChannel(*rs, "", "B", "seven", "");
  WriteChannel(*rs, "", "C", "eight", "");
  EXPECT_EQ(Written(), "seven");
  EXPECT_EQ(rs->channelCounter, 8);
}

TEST_F(ChannelTest, ChannelsAreAppended) {
  rs->resultBuffer.Set("before");
  rs->outputFlavour = OutputFlavour::kTembrel;
  WriteChannel(*rs, "", "A", "1", "");
  WriteChannel(*rs, "", "B", "2", "");
  EXPECT_EQ(Written(), "before\n> A: 1 #\n> B: 2 #");
}

TEST(GroupThousandsTest, InsertsAtMostTwoSeparators) {
  EXPECT_EQ(GroupThousands("0"), "0");
  EXPECT_EQ(GroupThousands("999"), "999");
  EXPECT_EQ(GroupThousands("1000"), "1.000");
  EXPECT_EQ(GroupThousands("12345"), "12.345");
  EXPECT_EQ(GroupThousands("123456"), "123.456");
  EXPECT_EQ(GroupThousands("1234567"), "1.234.567");
  EXPECT_EQ(GroupThousands("123456789"), "123.456.789");
  EXPECT_EQ(GroupThousands("4294967295"), "4294.967.295");
  EXPECT_EQ(GroupThousands("12345678901"), "12345.678.901");
}

}  // namespace
}  // namespace tolvaran
