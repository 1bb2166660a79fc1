#include "output/measurement_document.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#include "output/channel.h"
#include "support/user_list_rows.h"

namespace tolvaran {
namespace {

// A session as the library hands it over: character fields blank-padded
// without terminator (a NUL inside one ends its text).
struct Spec {
  std::string mandt = "100";
  std::string bname = "USER";
  std::string tcode = "";
  std::string term = "TERM";
  std::uint32_t extmodi = 0;
  std::uint32_t intmodi = 0;
};

template <std::size_t N>
void PutText(char (&field)[N], const std::string& text) {
  std::memset(field, ' ', N);
  std::memcpy(field, text.data(), std::min(N, text.size()));
}

Spec User(const std::string& bname) {
  Spec s;
  s.bname = bname;
  return s;
}

Spec Terminal(const std::string& term) {
  Spec s;
  s.term = term;
  return s;
}

Spec Code(const std::string& tcode) {
  Spec s;
  s.tcode = tcode;
  return s;
}

Spec OfClient(const std::string& mandt, std::uint32_t extmodi) {
  Spec s;
  s.mandt = mandt;
  s.tcode = "VA01";
  s.extmodi = extmodi;
  s.intmodi = extmodi;
  return s;
}

void Add(UserListCounter& counter, const Spec& s) {
  Session session;
  PutText(session.mandt, s.mandt);
  PutText(session.bname, s.bname);
  PutText(session.tcode, s.tcode);
  PutText(session.term, s.term);
  session.externalModes = s.extmodi;
  session.internalModes = s.intmodi;
  counter.Add(session);
}

std::string Digits(const char* prefix, std::size_t width, unsigned n) {
  std::string number = std::to_string(n);
  return prefix + std::string(width - 1 - number.size(), '0') + number;
}

TEST(UsageCounterTest, EmptyListCountsNothing) {
  UserListCounter counter("");
  UserCounts c = counter.Counts();
  EXPECT_EQ(c.activeUsers, 0u);
  EXPECT_EQ(c.tranCodes, 0u);
  EXPECT_EQ(c.terminals, 0u);
  EXPECT_EQ(c.sessions, 0u);
  EXPECT_EQ(c.externalModes, 0u);
  EXPECT_EQ(c.internalModes, 0u);
  EXPECT_FALSE(c.usersAtLeast);
  EXPECT_FALSE(c.terminalsAtLeast);
}

TEST(UsageCounterTest, OneUserAtThreeTerminalsInFourSessions) {
  UserListCounter counter("");
  for (const char* term : {"PC01", "PC02", "PC03", "PC02"}) {
    Spec s = User("MEIER");
    s.term = term;
    Add(counter, s);
  }
  UserCounts c = counter.Counts();
  EXPECT_EQ(c.activeUsers, 1u);
  EXPECT_EQ(c.terminals, 3u);
  EXPECT_EQ(c.sessions, 4u);
}

TEST(UsageCounterTest, NamesCompareExactlyExceptTrailingBlanks) {
  {
    // One name that is the tail of another is still its own name, in
    // either order.
    UserListCounter counter("");
    Add(counter, User("ADMIN"));
    Add(counter, User("SAPADMIN"));
    EXPECT_EQ(counter.Counts().activeUsers, 2u);
  }
  {
    UserListCounter counter("");
    Add(counter, User("SAPADMIN"));
    Add(counter, User("ADMIN"));
    EXPECT_EQ(counter.Counts().activeUsers, 2u);
  }
  {
    UserListCounter counter("");
    Add(counter, User("ADMIN"));                         // blank-padded
    Add(counter, User(std::string("ADMIN\0XYZ", 9)));    // a NUL ends the name
    Add(counter, User(std::string("ADMIN  \0  ", 10)));  // blanks, then NUL
    EXPECT_EQ(counter.Counts().activeUsers, 1u);
    Add(counter, User("admin"));   // case counts
    Add(counter, User(" ADMIN"));  // so do leading blanks
    EXPECT_EQ(counter.Counts().activeUsers, 3u);
    Add(counter, User(""));  // a blank name is a name too, once
    Add(counter, User(""));
    EXPECT_EQ(counter.Counts().activeUsers, 4u);
  }
  {
    UserListCounter counter("");
    Add(counter, Terminal("PC01"));
    Add(counter, Terminal(std::string("PC01\0junk", 9)));
    Add(counter, Terminal("pc01"));
    Add(counter, Terminal("PC01-EXT"));
    EXPECT_EQ(counter.Counts().terminals, 3u);
    EXPECT_EQ(counter.Counts().sessions, 4u);
  }
}

TEST(UsageCounterTest, TransactionCodesCountPerSessionUnlessBlank) {
  UserListCounter counter("");
  for (int i = 0; i < 10; ++i) Add(counter, Code("VA01"));
  Add(counter, Code(""));                        // no transaction
  Add(counter, Code(" VA02"));                   // starts with a blank
  Add(counter, Code(std::string("\0VA03", 5)));  // empty text: not counted
  Add(counter, Code(std::string("S\0", 2)));     // one character is enough
  UserCounts c = counter.Counts();
  EXPECT_EQ(c.tranCodes, 11u);
  EXPECT_EQ(c.sessions, 14u);
}

TEST(UsageCounterTest, ClientFilterSkipsOtherClientsEntirely) {
  {
    UserListCounter counter("100");
    Spec other = OfClient("200", 5);
    other.bname = "OTHER";
    other.term = "OTHERTERM";
    Add(counter, OfClient("100", 1));
    Add(counter, other);
    Add(counter, OfClient("100", 2));
    UserCounts c = counter.Counts();
    EXPECT_EQ(c.activeUsers, 1u);
    EXPECT_EQ(c.terminals, 1u);
    EXPECT_EQ(c.tranCodes, 2u);
    EXPECT_EQ(c.sessions, 2u);
    EXPECT_EQ(c.externalModes, 3u);
    EXPECT_EQ(c.internalModes, 3u);
  }
  {
    UserListCounter counter("");
    Add(counter, OfClient("100", 1));
    Add(counter, OfClient("200", 5));
    EXPECT_EQ(counter.Counts().sessions, 2u);
  }
  {
    // The client is compared with the whole three-character field: a
    // shorter client matches only a field that a NUL ends early.
    UserListCounter counter("10");
    Add(counter, OfClient("100", 1));
    Add(counter, OfClient("10", 1));  // blank-padded to "10 "
    Add(counter, OfClient(std::string("10\0", 3), 1));
    EXPECT_EQ(counter.Counts().sessions, 1u);
  }
}

TEST(UsageCounterTest, ModesAreSummedWith32BitWrapAround) {
  UserListCounter counter("");
  Spec a;
  a.extmodi = 0xFFFFFFFFu;
  a.intmodi = 4000000000u;
  Spec b;
  b.extmodi = 2;
  b.intmodi = 500000000u;
  Add(counter, a);
  Add(counter, b);
  UserCounts c = counter.Counts();
  EXPECT_EQ(c.externalModes, 1u);
  EXPECT_EQ(c.internalModes, 205032704u);  // 4500000000 - 2^32
}

TEST(UsageCounterTest, UserNamesStopBeingRecordedOnceTheirListExceeds8000) {
  UserListCounter counter("");
  // 615 names of 12 characters and one of 4, each with its separator:
  // exactly 8000 characters, not yet over the limit.
  for (unsigned i = 0; i < 615; ++i) Add(counter, User(Digits("U", 12, i)));
  Add(counter, User("LAST"));
  EXPECT_EQ(counter.Counts().activeUsers, 616u);
  EXPECT_FALSE(counter.Counts().usersAtLeast);

  // The list still holds 8000: the next name is recorded and pushes it over.
  Add(counter, User("OVER"));
  EXPECT_EQ(counter.Counts().activeUsers, 617u);
  EXPECT_TRUE(counter.Counts().usersAtLeast);

  // From now on no new name counts; sessions still do.
  Add(counter, User("LATER"));
  Add(counter, User("LATEST"));
  UserCounts c = counter.Counts();
  EXPECT_EQ(c.activeUsers, 617u);
  EXPECT_EQ(c.sessions, 619u);
  EXPECT_EQ(c.terminals, 1u);
  EXPECT_FALSE(c.terminalsAtLeast);
}

TEST(UsageCounterTest, TerminalNamesStopBeingRecordedOnceTheirListExceeds8000) {
  UserListCounter counter("");
  // 380 names of 20 characters and one of 19: exactly 8000.
  for (unsigned i = 0; i < 380; ++i) Add(counter, Terminal(Digits("T", 20, i)));
  Add(counter, Terminal(Digits("L", 19, 0)));
  EXPECT_EQ(counter.Counts().terminals, 381u);
  EXPECT_FALSE(counter.Counts().terminalsAtLeast);

  Add(counter, Terminal("OVER"));
  EXPECT_EQ(counter.Counts().terminals, 382u);
  EXPECT_TRUE(counter.Counts().terminalsAtLeast);

  Add(counter, Terminal("LATER"));
  EXPECT_EQ(counter.Counts().terminals, 382u);
  EXPECT_EQ(counter.Counts().activeUsers, 1u);
  EXPECT_FALSE(counter.Counts().usersAtLeast);
}

// The counts of the worked example: 12 users, 7 codes, 10 terminals,
// 15 sessions, 21 external and 30 internal modes.
UserCounts Example() {
  UserCounts c;
  c.activeUsers = 12;
  c.tranCodes = 7;
  c.terminals = 10;
  c.sessions = 15;
  c.externalModes = 21;
  c.internalModes = 30;
  return c;
}

class UsageOutputTest : public ::testing::Test {
 protected:
  std::string Written(const UserCounts& counts) const {
    return MeasurementDocument(UserList(), counts.AsReading(), destination, client, dialect,
                               selector)
        .Render();
  }
  std::string WrittenStart(const UserCounts& counts, const std::string& expected) const {
    return Written(counts).substr(0, expected.size());
  }

  std::string destination = "PRD";
  std::string client;
  OutputFlavour dialect = OutputFlavour::kExeXml;
  ChannelSelector selector;
};

TEST_F(UsageOutputTest, TembrelSelectorLeavesTheSelectedValueOnly) {
  dialect = OutputFlavour::kTembrel;
  selector = {true, 5};
  EXPECT_EQ(Written(Example()), "21\n");
}

TEST_F(UsageOutputTest, SummaryGroupsThousandsButChannelsDoNot) {
  client = "100";
  UserCounts c = Example();
  c.activeUsers = 1234;
  c.sessions = 1500;
  std::string doc = Written(c);
  EXPECT_NE(doc.find("\n<Text>(PRD) Sys-Usage Client[100]: Active Users=1.234, Act Tran-Codes=7, "
                     "Terminals=10, Sessions=1.500</Text>\n"),
            std::string::npos)
      << doc;
  EXPECT_NE(doc.find("<Channel>Active User(s)</Channel>\n<Value>1234</Value>"), std::string::npos);
  EXPECT_NE(doc.find("<Channel>Session(s)</Channel>\n<Value>1500</Value>"), std::string::npos);
}

TEST_F(UsageOutputTest, SummaryShowsLowerBoundsOverTheNameLimit) {
  dialect = OutputFlavour::kQuillrax;
  UserCounts c = Example();
  c.activeUsers = 617;
  c.usersAtLeast = true;
  c.terminals = 1382;
  c.terminalsAtLeast = true;
  const std::string start =
      "\n# (PRD) System-Usage: Active Users now >= 617, Act Tran-Codes=7, "
      "Terminals now >= 1.382, Sessions=15";
  EXPECT_EQ(WrittenStart(c, start), start);
  EXPECT_NE(Written(c).find("Statistic.Act_Terminals: 1382\n"), std::string::npos);
}

TEST_F(UsageOutputTest, SummaryIsEscapedInXmlOnly) {
  destination = "R&D<1";
  EXPECT_NE(Written(Example()).find("<Text>(R&amp;D&lt;1) System-Usage: "), std::string::npos);

  dialect = OutputFlavour::kTembrel;
  EXPECT_EQ(WrittenStart(Example(), "\n# (R&D<1) System-Usage: "), "\n# (R&D<1) System-Usage: ");
}

TEST_F(UsageOutputTest, AnEmptyListStillGivesTheWholeDocument) {
  dialect = OutputFlavour::kTembrel;
  EXPECT_EQ(Written(UserCounts{}),
            "\n# (PRD) System-Usage: Active Users=0, Act Tran-Codes=0, Terminals=0, Sessions=0"
            "\n> Active User(s): 0 #\n> Act Tran-Codes: 0 #\n> Act Terminals: 0 #"
            "\n> Session(s): 0 #\n> External Modi: 0 #\n> Internal Modi: 0 #\n");
}

TEST(CheckListingTest, GroupsThousandsAndShowsLowerBounds) {
  UserCounts c;
  c.activeUsers = 1234;
  c.tranCodes = 7;
  c.terminals = 10;
  c.sessions = 1500;
  c.externalModes = 1234567;
  c.internalModes = 4294967295u;
  EXPECT_EQ(UserList().CheckListing(c.AsReading()),
            " * Active Users.....:  1.234"
            "\n * Act TranCodes.:  7"
            "\n * Terminals..........:  10"
            "\n * Session(s).........:  1.500"
            "\n * External Modi...:  1.234.567"
            "\n * Internal Modi....:  4294.967.295"
            "\n * System-Check..:  Successfully \n");

  c.usersAtLeast = true;
  c.terminalsAtLeast = true;
  EXPECT_EQ(UserList().CheckListing(c.AsReading()),
            " * Active Users now.:  >= 1.234"
            "\n * Act TranCodes.:  7"
            "\n * Terminals now....:  >= 10"
            "\n * Session(s).........:  1.500"
            "\n * External Modi...:  1.234.567"
            "\n * Internal Modi....:  4294.967.295"
            "\n * System-Check..:  Successfully \n");
}

TEST(ItemChannelTest, TheNamedValueBecomesTheSystemsChannel) {
  const char* const names[] = {"Active User(s)", "Act Tran-Codes", "Act Terminals",
                               "Session(s)",     "External Modi",  "Internal Modi"};
  const char* const values[] = {"12", "7", "10", "15", "21", "30"};
  for (int i = 0; i < 6; ++i) {
    SCOPED_TRACE(names[i]);
    Channel channel;
    ASSERT_TRUE(
        ItemChannel(FindValue(Measurements(), names[i]), Example().AsReading(), "PRD", &channel));
    EXPECT_EQ(channel.displayName, "PRD");
    EXPECT_EQ(channel.value, values[i]);
    EXPECT_EQ(channel.name, "");
    EXPECT_EQ(channel.unit, "");
  }
}

TEST(ItemChannelTest, AValueWithAUnitCarriesItInEveryDialectAPlainCountAsBefore) {
  // Dialog Busy Percent: a percentage with default limits.
  const ValueRef busy = FindValue(Measurements(), "Dialog Busy Percent");
  ASSERT_TRUE(busy.found());
  MeasuredValues reading;
  reading.values.assign(busy.measurement->Values().size(), 0);
  reading.values[busy.index] = 75;
  Channel channel;
  ASSERT_TRUE(ItemChannel(busy, reading, "PRD", &channel));
  EXPECT_EQ(ChannelText(OutputFlavour::kExeXml, channel),
            "\n<Result><Channel>PRD</Channel>\n<Unit>Percent</Unit>\n<Value>75</Value>"
            "\n<LimitMaxWarning>80</LimitMaxWarning>\n<LimitMaxError>95</LimitMaxError>"
            "\n<LimitMode>1</LimitMode></Result>\n");
  EXPECT_EQ(ChannelText(OutputFlavour::kTembrel, channel), "\n> PRD: 75 %");
  // A value with decimals is a float to PRTG.
  const ValueRef load = FindValue(Measurements(), "Load Average 1");
  ASSERT_TRUE(load.found());
  reading.values.assign(load.measurement->Values().size(), 0);
  reading.values[load.index] = 125;
  ASSERT_TRUE(ItemChannel(load, reading, "PRD", &channel));
  EXPECT_EQ(ChannelText(OutputFlavour::kExeXml, channel),
            "\n<Result><Channel>PRD</Channel>\n<Unit>Count</Unit>\n<Value>1.25</Value>"
            "\n<Float>1</Float></Result>\n");
  // The user list's values stay plain counts.
  ASSERT_TRUE(
      ItemChannel(FindValue(Measurements(), "Session(s)"), Example().AsReading(), "PRD", &channel));
  EXPECT_EQ(ChannelText(OutputFlavour::kExeXml, channel),
            "\n<Result><Channel>PRD</Channel>\n<Value>15</Value></Result>\n");
}

TEST(ItemChannelTest, AnUnknownItemGivesNoChannel) {
  for (const char* item : {"Active Users", "active user(s)", "Active User(s) ", ""}) {
    SCOPED_TRACE(item);
    Channel channel{"kept", "kept", "kept", ""};
    EXPECT_FALSE(
        ItemChannel(FindValue(Measurements(), item), Example().AsReading(), "PRD", &channel));
    EXPECT_EQ(channel.value, "kept");
  }
}

}  // namespace
}  // namespace tolvaran
