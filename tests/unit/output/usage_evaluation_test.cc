#include "output/usage_evaluation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <string>

#include "rfc/classic/classic_backend.h"
#include "support/fake_classic_library.h"
#include "support/fake_host.h"

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

void Add(UsageCounter& counter, const Spec& s) {
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
  UsageCounter counter("");
  UsageCounts c = counter.Counts();
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
  UsageCounter counter("");
  for (const char* term : {"PC01", "PC02", "PC03", "PC02"}) {
    Spec s = User("MEIER");
    s.term = term;
    Add(counter, s);
  }
  UsageCounts c = counter.Counts();
  EXPECT_EQ(c.activeUsers, 1u);
  EXPECT_EQ(c.terminals, 3u);
  EXPECT_EQ(c.sessions, 4u);
}

TEST(UsageCounterTest, NamesCompareExactlyExceptTrailingBlanks) {
  {
    // One name that is the tail of another is still its own name, in
    // either order.
    UsageCounter counter("");
    Add(counter, User("ADMIN"));
    Add(counter, User("SAPADMIN"));
    EXPECT_EQ(counter.Counts().activeUsers, 2u);
  }
  {
    UsageCounter counter("");
    Add(counter, User("SAPADMIN"));
    Add(counter, User("ADMIN"));
    EXPECT_EQ(counter.Counts().activeUsers, 2u);
  }
  {
    UsageCounter counter("");
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
    UsageCounter counter("");
    Add(counter, Terminal("PC01"));
    Add(counter, Terminal(std::string("PC01\0junk", 9)));
    Add(counter, Terminal("pc01"));
    Add(counter, Terminal("PC01-EXT"));
    EXPECT_EQ(counter.Counts().terminals, 3u);
    EXPECT_EQ(counter.Counts().sessions, 4u);
  }
}

TEST(UsageCounterTest, TransactionCodesCountPerSessionUnlessBlank) {
  UsageCounter counter("");
  for (int i = 0; i < 10; ++i) Add(counter, Code("VA01"));
  Add(counter, Code(""));                        // no transaction
  Add(counter, Code(" VA02"));                   // starts with a blank
  Add(counter, Code(std::string("\0VA03", 5)));  // empty text: not counted
  Add(counter, Code(std::string("S\0", 2)));     // one character is enough
  UsageCounts c = counter.Counts();
  EXPECT_EQ(c.tranCodes, 11u);
  EXPECT_EQ(c.sessions, 14u);
}

TEST(UsageCounterTest, ClientFilterSkipsOtherClientsEntirely) {
  {
    UsageCounter counter("100");
    Spec other = OfClient("200", 5);
    other.bname = "OTHER";
    other.term = "OTHERTERM";
    Add(counter, OfClient("100", 1));
    Add(counter, other);
    Add(counter, OfClient("100", 2));
    UsageCounts c = counter.Counts();
    EXPECT_EQ(c.activeUsers, 1u);
    EXPECT_EQ(c.terminals, 1u);
    EXPECT_EQ(c.tranCodes, 2u);
    EXPECT_EQ(c.sessions, 2u);
    EXPECT_EQ(c.externalModes, 3u);
    EXPECT_EQ(c.internalModes, 3u);
  }
  {
    UsageCounter counter("");
    Add(counter, OfClient("100", 1));
    Add(counter, OfClient("200", 5));
    EXPECT_EQ(counter.Counts().sessions, 2u);
  }
  {
    // The client is compared with the whole three-character field: a
    // shorter client matches only a field that a NUL ends early.
    UsageCounter counter("10");
    Add(counter, OfClient("100", 1));
    Add(counter, OfClient("10", 1));  // blank-padded to "10 "
    Add(counter, OfClient(std::string("10\0", 3), 1));
    EXPECT_EQ(counter.Counts().sessions, 1u);
  }
}

TEST(UsageCounterTest, ModesAreSummedWith32BitWrapAround) {
  UsageCounter counter("");
  Spec a;
  a.extmodi = 0xFFFFFFFFu;
  a.intmodi = 4000000000u;
  Spec b;
  b.extmodi = 2;
  b.intmodi = 500000000u;
  Add(counter, a);
  Add(counter, b);
  UsageCounts c = counter.Counts();
  EXPECT_EQ(c.externalModes, 1u);
  EXPECT_EQ(c.internalModes, 205032704u);  // 4500000000 - 2^32
}

TEST(UsageCounterTest, UserNamesStopBeingRecordedOnceTheirListExceeds8000) {
  UsageCounter counter("");
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
  UsageCounts c = counter.Counts();
  EXPECT_EQ(c.activeUsers, 617u);
  EXPECT_EQ(c.sessions, 619u);
  EXPECT_EQ(c.terminals, 1u);
  EXPECT_FALSE(c.terminalsAtLeast);
}

TEST(UsageCounterTest, TerminalNamesStopBeingRecordedOnceTheirListExceeds8000) {
  UsageCounter counter("");
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
UsageCounts Example() {
  UsageCounts c;
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
  std::unique_ptr<RunState> rs = std::make_unique<RunState>();
  FakeHost host;

  void SetUp() override {
    rs->host = &host;
    rs->profile.destination.Set("PRD");
  }

  std::string Written() const { return rs->resultBuffer.str(); }
  std::string WrittenStart(const std::string& expected) const {
    return Written().substr(0, expected.size());
  }
};

TEST_F(UsageOutputTest, TembrelSelectorLeavesTheSelectedValueOnly) {
  rs->outputFlavour = OutputFlavour::kTembrel;
  rs->params = ParseParameters("ch=5");
  WriteUsage(*rs, Example());
  EXPECT_EQ(Written(), "21\n");
}

TEST_F(UsageOutputTest, SummaryGroupsThousandsButChannelsDoNot) {
  rs->client.Set("100");
  UsageCounts c = Example();
  c.activeUsers = 1234;
  c.sessions = 1500;
  WriteUsage(*rs, c);
  std::string doc = Written();
  EXPECT_NE(doc.find("\n<Text>(PRD) Sys-Usage Client[100]: Active Users=1.234, Act Tran-Codes=7, "
                     "Terminals=10, Sessions=1.500</Text>\n"),
            std::string::npos)
      << doc;
  EXPECT_NE(doc.find("<Channel>Active User(s)</Channel>\n<Value>1234</Value>"), std::string::npos);
  EXPECT_NE(doc.find("<Channel>Session(s)</Channel>\n<Value>1500</Value>"), std::string::npos);
}

TEST_F(UsageOutputTest, SummaryShowsLowerBoundsOverTheNameLimit) {
  rs->outputFlavour = OutputFlavour::kQuillrax;
  UsageCounts c = Example();
  c.activeUsers = 617;
  c.usersAtLeast = true;
  c.terminals = 1382;
  c.terminalsAtLeast = true;
  WriteUsage(*rs, c);
  const std::string start =
      "\n# (PRD) System-Usage: Active Users now >= 617, Act Tran-Codes=7, "
      "Terminals now >= 1.382, Sessions=15";
  EXPECT_EQ(WrittenStart(start), start);
  EXPECT_NE(Written().find("Statistic.Act_Terminals: 1382\n"), std::string::npos);
}

TEST_F(UsageOutputTest, SummaryIsEscapedInXmlOnly) {
  rs->profile.destination.Set("R&D<1");
  WriteUsage(*rs, Example());
  EXPECT_NE(Written().find("<Text>(R&amp;D&lt;1) System-Usage: "), std::string::npos);

  rs->outputFlavour = OutputFlavour::kTembrel;
  WriteUsage(*rs, Example());
  EXPECT_EQ(WrittenStart("\n# (R&D<1) System-Usage: "), "\n# (R&D<1) System-Usage: ");
}

TEST_F(UsageOutputTest, CheckModeOverwritesTheBufferWithTheListing) {
  rs->params = ParseParameters("/CHECK");
  rs->resultBuffer.Set("stale");
  UsageCounts c;
  c.activeUsers = 1234;
  c.tranCodes = 7;
  c.terminals = 10;
  c.sessions = 1500;
  c.externalModes = 1234567;
  c.internalModes = 4294967295u;
  WriteUsage(*rs, c);
  EXPECT_EQ(Written(),
            " * Active Users.....:  1.234"
            "\n * Act TranCodes.:  7"
            "\n * Terminals..........:  10"
            "\n * Session(s).........:  1.500"
            "\n * External Modi...:  1.234.567"
            "\n * Internal Modi....:  4294.967.295"
            "\n * System-Check..:  Successfully \n");
  EXPECT_EQ(rs->channelCounter, 0);
  EXPECT_EQ(host.out, "");

  c.usersAtLeast = true;
  c.terminalsAtLeast = true;
  WriteUsage(*rs, c);
  EXPECT_EQ(Written(),
            " * Active Users now.:  >= 1.234"
            "\n * Act TranCodes.:  7"
            "\n * Terminals now....:  >= 10"
            "\n * Session(s).........:  1.500"
            "\n * External Modi...:  1.234.567"
            "\n * Internal Modi....:  4294.967.295"
            "\n * System-Check..:  Successfully \n");
}

TEST_F(UsageOutputTest, CheckModeWinsOverItemModeInEveryDialect) {
  rs->params = ParseParameters("ITEM=ACTIVE:USER(S) /CHECK");
  rs->itemMode = true;
  rs->itemName.Set("Active User(s)");
  rs->outputFlavour = OutputFlavour::kTembrel;
  WriteUsage(*rs, Example());
  EXPECT_EQ(WrittenStart(" * Active Users.....:  12\n"), " * Active Users.....:  12\n");
  EXPECT_EQ(host.out, "");
  EXPECT_FALSE(rs->foundFlag);
}

TEST_F(UsageOutputTest, ItemModeLeavesOnlyTheNamedValuesChannelInTheBuffer) {
  const char* const names[] = {"Active User(s)", "Act Tran-Codes", "Act Terminals",
                               "Session(s)",     "External Modi",  "Internal Modi"};
  const char* const values[] = {"12", "7", "10", "15", "21", "30"};
  rs->itemMode = true;
  rs->systemLabel.Set("PRD");
  for (int i = 0; i < 6; ++i) {
    SCOPED_TRACE(names[i]);
    host.out.clear();
    rs->foundFlag = false;
    rs->resultBuffer.Set("stale");
    rs->itemName.Set(names[i]);
    WriteUsage(*rs, Example());
    EXPECT_EQ(Written(), std::string("\n<Result><Channel>PRD</Channel>\n<Value>") + values[i] +
                             "</Value></Result>\n");
    EXPECT_TRUE(rs->foundFlag);
    EXPECT_EQ(host.out, "");
  }
  EXPECT_EQ(rs->channelCounter, 6);

  // The label is the channel's key where the dialect shows one.
  host.out.clear();
  rs->outputFlavour = OutputFlavour::kQuillrax;
  rs->systemLabel.Set("PRD.P00");
  rs->itemName.Set("Session(s)");
  WriteUsage(*rs, Example());
  EXPECT_EQ(Written(), "\n\nMessage.PRD_P00: PRD.P00 (#)\nStatistic.PRD_P00: 15");
}

TEST_F(UsageOutputTest, ItemModeWithAnUnknownItemWritesNothingAndFindsNothing) {
  rs->itemMode = true;
  rs->systemLabel.Set("PRD");
  for (const char* item : {"Active Users", "active user(s)", "Active User(s) ", ""}) {
    SCOPED_TRACE(item);
    rs->itemName.Set(item);
    rs->resultBuffer.Set("stale");
    WriteUsage(*rs, Example());
    EXPECT_EQ(host.out, "");
    EXPECT_EQ(Written(), "");
    EXPECT_FALSE(rs->foundFlag);
  }
  EXPECT_EQ(rs->channelCounter, 0);
}

// ----- counting the user list a backend fetches ------------------------------

class CountSessionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    backend = MakeClassicBackend(host, ResetFakeClassic());
    FakeClassic().userRows = {
        UserRow("100", "MEIER", "VA01", "PC01", 2, 3),
        UserRow("100", "MEIER", "", "PC02", 1, 1),
        UserRow("200", "OTHER", "SE38", "PC09", 10, 10),
        UserRow("100", "SCHULZ", "SU01", "PC01", 0, 5),
    };
  }
  void TearDown() override { EXPECT_EQ(FakeClassic().faults, std::vector<std::string>{}); }

  FakeHost host;
  std::unique_ptr<RfcBackend> backend;
};

TEST_F(CountSessionsTest, CountsTheSessionsOfTheClient) {
  UsageCounts c;
  QueryResult result = CountSessions(*backend, 5, "100", &c);
  EXPECT_EQ(result.outcome, kOutcomeOk);
  EXPECT_FALSE(result.aborted);
  EXPECT_EQ(c.activeUsers, 2u);
  EXPECT_EQ(c.tranCodes, 2u);
  EXPECT_EQ(c.terminals, 2u);
  EXPECT_EQ(c.sessions, 3u);
  EXPECT_EQ(c.externalModes, 3u);
  EXPECT_EQ(c.internalModes, 9u);
  ASSERT_EQ(FakeClassic().calls.size(), 1u);
  EXPECT_EQ(FakeClassic().calls[0].handle, 5u);
}

TEST_F(CountSessionsTest, WithoutAClientEverySessionCounts) {
  UsageCounts c;
  CountSessions(*backend, 5, "", &c);
  EXPECT_EQ(c.activeUsers, 3u);
  EXPECT_EQ(c.sessions, 4u);
  EXPECT_EQ(c.externalModes, 13u);
  EXPECT_EQ(c.internalModes, 19u);
}

TEST_F(CountSessionsTest, AnEmptyListStillGivesTheWholeDocument) {
  FakeClassic().userRows.clear();
  UsageCounts c;
  c.sessions = 99;  // left over from an earlier system
  EXPECT_EQ(CountSessions(*backend, 5, "", &c).outcome, kOutcomeOk);
  auto rs = std::make_unique<RunState>();
  rs->host = &host;
  rs->profile.destination.Set("PRD");
  rs->outputFlavour = OutputFlavour::kTembrel;
  WriteUsage(*rs, c);
  EXPECT_EQ(rs->resultBuffer.str(),
            "\n# (PRD) System-Usage: Active Users=0, Act Tran-Codes=0, Terminals=0, Sessions=0"
            "\n> Active User(s): 0 #\n> Act Tran-Codes: 0 #\n> Act Terminals: 0 #"
            "\n> Session(s): 0 #\n> External Modi: 0 #\n> Internal Modi: 0 #\n");
}

TEST_F(CountSessionsTest, AFailedQueryCountsNothing) {
  FakeClassic().userListOutcome = kRfcException;
  FakeClassic().exceptionName = "USER_NOT_AUTHORIZED";
  UsageCounts c;
  QueryResult result = CountSessions(*backend, 5, "", &c);
  EXPECT_EQ(result.outcome, kOutcomeException);
  EXPECT_EQ(result.exceptionText, "USER_NOT_AUTHORIZED");
  EXPECT_EQ(c.sessions, 0u);
  EXPECT_EQ(c.activeUsers, 0u);
}

}  // namespace
}  // namespace tolvaran
