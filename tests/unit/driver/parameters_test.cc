#include "driver/parameters.h"

#include <gtest/gtest.h>

#include <string>

namespace tolvaran {
namespace {

TEST(ParseParametersTest, KeysAreFoundAnywhereInTheUpperCasedText) {
  Parameters p = ParseParameters("global client=100 item=Act:Terminals /check ch=2 ,host=x,no=1");
  EXPECT_EQ(p.upper.str(), "GLOBAL CLIENT=100 ITEM=ACT:TERMINALS /CHECK CH=2 ,HOST=X,NO=1");
  EXPECT_EQ(p.raw.str(), "global client=100 item=Act:Terminals /check ch=2 ,host=x,no=1");
  EXPECT_EQ(p.client, "100");
  EXPECT_TRUE(p.hasItem);
  EXPECT_EQ(p.item, "Act Terminals");
  EXPECT_TRUE(p.check);
  EXPECT_TRUE(p.hasChannel);
  EXPECT_EQ(p.channel, 2);
  EXPECT_TRUE(p.hostOverride);
  EXPECT_TRUE(p.numberOverride);
  EXPECT_FALSE(p.openAsTyped);
  EXPECT_FALSE(p.verbose);
  EXPECT_EQ(p.firstWord, "GLOBAL");
}

TEST(ParseParametersTest, NothingTypedFindsNothing) {
  Parameters p = ParseParameters("");
  EXPECT_EQ(p.client, "");
  EXPECT_FALSE(p.hasItem);
  EXPECT_FALSE(p.check);
  EXPECT_FALSE(p.hasChannel);
  EXPECT_EQ(p.channel, 0);
  EXPECT_FALSE(p.hostOverride || p.numberOverride || p.openAsTyped || p.verbose);
  EXPECT_EQ(p.firstWord, "");
}

TEST(ParseParametersTest, ClientIsThreeCharactersOfTheUpperCasedTextAfterTheFirstKey) {
  EXPECT_EQ(ParseParameters("CLIENT=1").client, "1");
  EXPECT_EQ(ParseParameters("CLIENT=10,X").client, "10,");
  EXPECT_EQ(ParseParameters("XCLIENT=2345").client, "234");  // no word boundary
  EXPECT_EQ(ParseParameters("client=a b").client, "A B");    // blanks do not end it
  EXPECT_EQ(ParseParameters("CLIENT=001 CLIENT=002").client, "001");
  EXPECT_EQ(ParseParameters("CLIENT=").client, "");
}

TEST(ParseParametersTest, ItemIsTheTypedValueWithColonsAsBlanks) {
  Parameters p = ParseParameters("item=Active:User(s),CLIENT=001");
  EXPECT_TRUE(p.hasItem);
  EXPECT_EQ(p.item, "Active User(s)");               // a "," ends it
  EXPECT_EQ(ParseParameters("ITEM=a b").item, "a");  // so does a blank
  EXPECT_EQ(ParseParameters("ITEM=first ITEM=second").item, "first");
  // An empty value is still an item.
  p = ParseParameters("ITEM=,X");
  EXPECT_TRUE(p.hasItem);
  EXPECT_EQ(p.item, "");
  EXPECT_EQ(ParseParameters("ITEM=" + std::string(100, 'a')).item, std::string(90, 'a'));
}

TEST(ParseParametersTest, ChannelDigitsAreReadFromTheTypedCopy) {
  EXPECT_EQ(ParseParameters("CH=5").channel, 5);
  EXPECT_EQ(ParseParameters("ch=12").channel, 12);
  EXPECT_EQ(ParseParameters("CH=1234").channel, 123);  // three characters at most
  EXPECT_EQ(ParseParameters("CH=4,X").channel, 4);     // a "," ends them
  EXPECT_EQ(ParseParameters("CH= 7").channel, 7);      // like atoi
  EXPECT_EQ(ParseParameters("CH=x1").channel, 0);
  Parameters p = ParseParameters("CH=");
  EXPECT_TRUE(p.hasChannel);
  EXPECT_EQ(p.channel, 0);
  // "CH=" inside another key counts: the first occurrence is taken.
  p = ParseParameters("MATCH=3 CH=9");
  EXPECT_TRUE(p.hasChannel);
  EXPECT_EQ(p.channel, 3);
}

TEST(ParseParametersTest, MarkersForProgressLines) {
  for (const char* typed : {"#", "x@y", "$", "%"}) {
    SCOPED_TRACE(typed);
    EXPECT_TRUE(ParseParameters(typed).verbose);
  }
  EXPECT_TRUE(ParseParameters("SYS @").openAsTyped);
  EXPECT_FALSE(ParseParameters("SYS #").openAsTyped);
  EXPECT_FALSE(ParseParameters(",HOSTS,NO").hostOverride);
  EXPECT_FALSE(ParseParameters(",HOSTS,NO").numberOverride);
}

TEST(ParseParametersTest, OverlongTextIsCutWithBothCopiesAligned) {
  std::string typed(200, 'b');
  typed.replace(110, 5, "ch=42");
  Parameters p = ParseParameters(typed);
  EXPECT_EQ(p.raw.size(), 119u);
  EXPECT_EQ(p.upper.size(), 119u);
  EXPECT_EQ(p.channel, 42);
  typed.replace(115, 7, "CLIENT=");
  EXPECT_EQ(ParseParameters(typed).client, "");  // cut off with the text
}

TEST(ParseParametersTest, ListingReadsTheChannelFromTheDisplayedText) {
  // The progress line shows the typed copy with ":" as blanks, up to " @";
  // a listing's channel number is read from that text.
  Parameters p = ParseParameters("Item=Act:Terminals ch=:7 x @SYS");
  EXPECT_EQ(DisplayText(p), "Item=Act Terminals ch= 7 x");
  EXPECT_EQ(p.channel, 0);  // ":" is no digit
  EXPECT_EQ(p.displayChannel, 7);
  // Digits beyond " @" are not shown, so not read.
  p = ParseParameters("CH=1 @2");
  EXPECT_EQ(p.channel, 1);
  EXPECT_EQ(p.displayChannel, 1);
  p = ParseParameters("x @CH=12");
  EXPECT_TRUE(p.hasChannel);
  EXPECT_EQ(p.channel, 12);
  EXPECT_EQ(p.displayChannel, 0);
}

TEST(ParseParametersTest, SensorLineIsReadWithColonsAsBlanksButItsDialectKeysAsTyped) {
  Parameters p = ParseSensorParameters("Item=Act:Terminals CH=:3 WARN=~:10 OUT=C:/m.prom");
  EXPECT_EQ(p.item, "Act");  // a blank ends a value
  EXPECT_EQ(p.channel, 3);
  EXPECT_EQ(p.warn, "~:10");
  EXPECT_EQ(p.out, "C:/m.prom");
  // A key that only a ":" made start a word is still found.
  EXPECT_EQ(ParseSensorParameters("X:CRIT=5").crit, "5");
  const std::string long_text(200, 'a');
  EXPECT_EQ(ParseSensorParameters(long_text).raw.str(), ParseParameters(long_text).raw.str());
}

TEST(ParseParametersTest, RunLimitsAreWholeNumbersInTheirRange) {
  for (const char* good : {"JOBS=1", "jobs=64", "JOBS=0008"}) {
    Parameters p = ParseParameters(good);
    EXPECT_FALSE(p.badJobs) << good;
  }
  EXPECT_EQ(ParseParameters("JOBS=64").jobs, 64);
  for (const char* bad : {"JOBS=0", "JOBS=65", "JOBS=99999", "JOBS=abc", "JOBS=", "JOBS=2x"}) {
    Parameters p = ParseParameters(bad);
    EXPECT_TRUE(p.badJobs) << bad;
    EXPECT_EQ(p.jobs, Parameters::kDefaultJobs) << bad;
  }
  EXPECT_FALSE(ParseParameters("TIMEOUT=900").badTimeout);
  EXPECT_TRUE(ParseParameters("TIMEOUT=901").badTimeout);
  // A sensor line without JOBS= keeps the command line's verdict.
  Parameters line = ParseParameters("ITEM=X");
  KeepRunLimits(ParseParameters("JOBS=0"), &line);
  EXPECT_TRUE(line.badJobs);
  // Likewise SERVERS=, which a sensor line's own value replaces.
  KeepRunLimits(ParseParameters("SERVERS=ALL"), &line);
  EXPECT_TRUE(line.allServers);
  Parameters own = ParseParameters("ITEM=X SERVERS=ONE");
  KeepRunLimits(ParseParameters("SERVERS=ALL"), &own);
  EXPECT_FALSE(own.allServers);
}

TEST(ParseParametersTest, DialectKeysStartAWordAndHideTheirValues) {
  // "TIMEOUT=" holds no "OUT="; a range's ":" and "@", and a path's "#",
  // "/check" and "CH=", are the value's, not keys or markers.
  Parameters p =
      ParseParameters("TIMEOUT=5 format=plugin CRIT=@10:20,WARN=~:5 OUT=C:/check#ch=1/x.prom");
  EXPECT_TRUE(p.hasFormat);
  EXPECT_EQ(p.format, "plugin");
  EXPECT_EQ(p.crit, "@10:20");
  EXPECT_EQ(p.warn, "~:5");
  EXPECT_EQ(p.out, "C:/check#ch=1/x.prom");
  EXPECT_FALSE(p.outCut);
  EXPECT_EQ(p.timeoutSeconds, 5);
  EXPECT_FALSE(p.openAsTyped);
  EXPECT_FALSE(p.verbose);
  EXPECT_FALSE(p.check);
  EXPECT_FALSE(p.hasChannel);
  EXPECT_FALSE(ParseParameters("TIMEOUT=5").hasOut);
  // An OUT= that the cut of the text reaches may name another file.
  EXPECT_TRUE(ParseParameters("OUT=/" + std::string(200, 'd')).outCut);
  // A sensor line's own values count; without them, the command line's.
  Parameters line = ParseParameters("ITEM=X WARN=3");
  KeepRunLimits(ParseParameters("WARN=1 CRIT=2 FORMAT=PLUGIN"), &line);
  EXPECT_EQ(line.warn, "3");
  EXPECT_EQ(line.crit, "2");
  EXPECT_FALSE(line.hasFormat);
}

TEST(TakeKeyValueTest, FalseWithoutTheKeyAndAValueOfAtMostMax) {
  std::string value = "stale";
  EXPECT_FALSE(TakeKeyValue("A=1", "a=1", "B=", 5, &value));
  EXPECT_EQ(value, "");
  EXPECT_TRUE(TakeKeyValue("KEY=ABCDEFG", "key=abcdefg", "KEY=", 3, &value));
  EXPECT_EQ(value, "abc");
}

}  // namespace
}  // namespace tolvaran

namespace tolvaran {
namespace {

TEST(ParseParametersTest, MeasureAndWindowHideNoOtherKeyAndAreFoundInNone) {
  Parameters p = ParseParameters("measure=wp+Dumps+JOBS window=30 JOBS=2 CLIENT=100");
  EXPECT_TRUE(p.hasMeasure);
  EXPECT_EQ(p.measure, "WP+DUMPS+JOBS");
  EXPECT_TRUE(p.hasWindow);
  EXPECT_EQ(p.windowMinutes, 30);
  EXPECT_EQ(p.jobs, 2);  // the measurement JOBS is no "JOBS="
  EXPECT_EQ(p.client, "100");
  EXPECT_FALSE(p.hasChannel || p.hasItem || p.hasOut || p.check || p.verbose);
  // Every measurement's key and the window as values: no key, no marker.
  p = ParseParameters("MEASURE=USERS+WP+DUMPS+JOBS+UPDATES+LOCKS+CPU+LOGON+ALL,WINDOW=1440");
  EXPECT_EQ(p.measure, "USERS+WP+DUMPS+JOBS+UPDATES+LOCKS+CPU+LOGON+ALL");
  EXPECT_EQ(p.windowMinutes, 1440);
  EXPECT_FALSE(p.hasJobs || p.hasChannel || p.hasItem || p.hasTimeout || p.hasServers || p.hasOut ||
               p.hostOverride || p.numberOverride || p.verbose);
  // Without them, the user list and the default window.
  p = ParseParameters("CLIENT=100 TIMEOUT=50");
  EXPECT_FALSE(p.hasMeasure || p.hasWindow || p.badWindow);
  EXPECT_EQ(p.windowMinutes, Parameters::kDefaultWindowMinutes);
  for (const char* bad : {"WINDOW=0", "WINDOW=1441", "WINDOW=x", "WINDOW="}) {
    EXPECT_TRUE(ParseParameters(bad).badWindow) << bad;
  }
}

}  // namespace
}  // namespace tolvaran
