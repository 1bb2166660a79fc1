#include "output/channel.h"

#include <gtest/gtest.h>

#include <string>

#include "driver/parameters.h"
#include "text/thousands.h"

namespace tolvaran {
namespace {

class ChannelTest : public ::testing::Test {
 protected:
  std::string Written() const { return written; }

  void Write(const std::string& name, const std::string& displayName, const std::string& value,
             const std::string& unit) {
    written += ChannelText(flavour, Channel{name, displayName, value, unit});
  }

  void WriteFirstChannel(const std::string& unit = "") {
    Write("Active_Users", "Active User(s)", "12", unit);
  }

  OutputFlavour flavour = OutputFlavour::kExeXml;
  std::string written;
};

const OutputFlavour kXmlFamily[] = {OutputFlavour::kExeXml, OutputFlavour::kMirvane,
                                    OutputFlavour::kFandrok};

TEST_F(ChannelTest, FirstUsageChannelInEveryDialect) {
  for (OutputFlavour each : kXmlFamily) {
    SCOPED_TRACE(FlavourName(each));
    written.clear();
    flavour = each;
    WriteFirstChannel();
    EXPECT_EQ(Written(),
              "\n<Result><Channel>Active User(s)</Channel>\n<Value>12</Value></Result>\n");
  }

  written.clear();
  flavour = OutputFlavour::kQuillrax;
  WriteFirstChannel();
  EXPECT_EQ(Written(), "\n\nMessage.Active_Users: Active User(s) (#)\nStatistic.Active_Users: 12");

  written.clear();
  flavour = OutputFlavour::kTembrel;
  WriteFirstChannel();
  EXPECT_EQ(Written(), "\n> Active User(s): 12 #");
}

TEST_F(ChannelTest, UnitsShowAsCustomUnitInXmlAndAsSymbolsInTextDialects) {
  for (OutputFlavour each : kXmlFamily) {
    SCOPED_TRACE(FlavourName(each));
    written.clear();
    flavour = each;
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
    written.clear();
    flavour = OutputFlavour::kQuillrax;
    WriteFirstChannel(c.unit);
    EXPECT_EQ(Written(), std::string("\n\nMessage.Active_Users: Active User(s) (") + c.shown +
                             ")\nStatistic.Active_Users: 12");

    written.clear();
    flavour = OutputFlavour::kTembrel;
    WriteFirstChannel(c.unit);
    EXPECT_EQ(Written(), std::string("\n> Active User(s): 12 ") + c.shown);
  }
}

TEST_F(ChannelTest, KeyTurnsSeparatorsAndOnlyTheFirstDot) {
  flavour = OutputFlavour::kQuillrax;
  Write("a b/c\\d.e.f", "Shown name", "5", "");
  EXPECT_EQ(Written(), "\n\nMessage.a_b_c_d_e.f: Shown name (#)\nStatistic.a_b_c_d_e.f: 5");

  // Without a channel name the key comes from the display name, which
  // itself is shown unchanged.
  written.clear();
  Write("", "PRD.P00 host/1", "7", "");
  EXPECT_EQ(Written(),
            "\n\nMessage.PRD_P00_host_1: PRD.P00 host/1 (#)\nStatistic.PRD_P00_host_1: 7");
}

TEST_F(ChannelTest, XmlEscapesDisplayNameUnitAndValue) {
  for (OutputFlavour each : kXmlFamily) {
    SCOPED_TRACE(FlavourName(each));
    written.clear();
    flavour = each;
    Write("", "R&D <x>", "1<2&3", "m&<s>");
    EXPECT_EQ(Written(),
              "\n<Result><Channel>R&amp;D &lt;x></Channel>"
              "\n<Unit>Custom</Unit>\n<CustomUnit>m&amp;&lt;s></CustomUnit>"
              "\n<Value>1&lt;2&amp;3</Value></Result>\n");
  }
}

TEST_F(ChannelTest, TextDialectsAreNotEscaped) {
  flavour = OutputFlavour::kQuillrax;
  Write("", "R&D <x>", "1<2", "m&s");
  EXPECT_EQ(Written(), "\n\nMessage.R&D_<x>: R&D <x> (m&s)\nStatistic.R&D_<x>: 1<2");

  written.clear();
  flavour = OutputFlavour::kTembrel;
  Write("", "R&D <x>", "1<2", "m&s");
  EXPECT_EQ(Written(), "\n> R&D <x>: 1<2 m&s");
}

// The bytes each channel of a Tembrel document adds, with the selector of
// `parameters`, after `before` channels.
std::string SelectedAfter(const std::string& parameters, int before, int channels) {
  Parameters p = ParseParameters(parameters);
  ResultDocument document(OutputFlavour::kTembrel, {p.hasChannel, p.channel},
                          ResultDocument::Layout::kListing);
  std::string out;
  for (int i = 1; i <= before + channels; ++i) {
    std::string bytes = document.AddChannel(Channel{"Key", "Name", "v" + std::to_string(i), ""});
    if (i > before) out += bytes;
  }
  return out;
}

TEST(ChannelSelectorTest, TembrelSelectorWritesOnlyTheSelectedValue) {
  struct Case {
    const char* parameters;
    int before;  // channels of the document before the five
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
    EXPECT_EQ(SelectedAfter(c.parameters, c.before, 5), c.expected);
  }
}

TEST(ChannelSelectorTest, SelectorIsIgnoredOutsideTembrel) {
  for (OutputFlavour flavour : {OutputFlavour::kQuillrax, OutputFlavour::kExeXml}) {
    ResultDocument document(flavour, {true, 2}, ResultDocument::Layout::kListing);
    Channel channel{"Active_Users", "Active User(s)", "12", ""};
    EXPECT_EQ(document.AddChannel(channel), ChannelText(flavour, channel));
  }
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
