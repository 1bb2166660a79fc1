#include "rfc/nwrfc/destination_section.h"

#include <gtest/gtest.h>

namespace tolvaran {
namespace {

constexpr char kIni[] =
    "DEST=QAS\n"
    "TYPE=A\n"
    "ASHOST=qashost\n"
    "SYSNR=01\n"
    "DEST=PRD\n"
    "TYPE=B\n"
    "MSHOST=prdms\n"
    "MSSERV=3600\n"
    "R3NAME=PRD\n"
    "GROUP=PUBLIC\n"
    "GWHOST=prdgw\n"
    "GWSERV=sapgw00\n"
    "DEST=DEV\n"
    "ASHOST=devhost\n";

TEST(DestinationSectionTest, ApplicationServerSectionEndsAtNextDest) {
  DestinationSection s = ReadDestinationSection(kIni, "QAS");
  EXPECT_TRUE(s.found);
  EXPECT_EQ(s.ashost, "qashost");
  EXPECT_EQ(s.sysnr, "01");
  // PRD's entries follow the next DEST line and are not QAS's.
  EXPECT_EQ(s.mshost, "");
  EXPECT_EQ(s.gwhost, "");
}

TEST(DestinationSectionTest, MessageServerSectionInTheMiddle) {
  DestinationSection s = ReadDestinationSection(kIni, "PRD");
  EXPECT_TRUE(s.found);
  EXPECT_EQ(s.ashost, "");
  EXPECT_EQ(s.mshost, "prdms");
  EXPECT_EQ(s.msserv, "3600");
  EXPECT_EQ(s.r3name, "PRD");
  EXPECT_EQ(s.group, "PUBLIC");
  EXPECT_EQ(s.gwhost, "prdgw");
  EXPECT_EQ(s.gwserv, "sapgw00");
}

TEST(DestinationSectionTest, LastSectionRunsToTheEnd) {
  DestinationSection s = ReadDestinationSection(kIni, "DEV");
  EXPECT_TRUE(s.found);
  EXPECT_EQ(s.ashost, "devhost");
  EXPECT_EQ(s.sysnr, "");
}

TEST(DestinationSectionTest, MissingDestination) {
  EXPECT_FALSE(ReadDestinationSection(kIni, "XYZ").found);
  EXPECT_FALSE(ReadDestinationSection(kIni, "").found);
  EXPECT_FALSE(ReadDestinationSection(kIni, "  ").found);
  EXPECT_FALSE(ReadDestinationSection("", "QAS").found);
  // A prefix of a destination is not the destination.
  EXPECT_FALSE(ReadDestinationSection(kIni, "QA").found);
  EXPECT_FALSE(ReadDestinationSection("DEST=QAS2\nASHOST=x\n", "QAS").found);
}

TEST(DestinationSectionTest, BlanksCaseCrLfAndByteOrderMark) {
  const char ini[] =
      "\xEF\xBB\xBF"
      "dest = prd \r\n"
      "\t ashost\t= prdhost  \r\n"
      "SysNr=00\r\n"
      "gwserv =sapgw00\r\n";
  DestinationSection s = ReadDestinationSection(ini, "PRD");
  EXPECT_TRUE(s.found);
  EXPECT_EQ(s.ashost, "prdhost");
  EXPECT_EQ(s.sysnr, "00");
  EXPECT_EQ(s.gwserv, "sapgw00");
}

TEST(DestinationSectionTest, ByteOrderMarkOnlyAtTheStart) {
  // Inside the text the same bytes are part of a key that matches nothing.
  DestinationSection s = ReadDestinationSection(
      "DEST=PRD\n\xEF\xBB\xBF"
      "ASHOST=h\n",
      "PRD");
  EXPECT_TRUE(s.found);
  EXPECT_EQ(s.ashost, "");
}

TEST(DestinationSectionTest, OtherKeysAndLinesArePassedOver) {
  const char ini[] =
      "/* the destinations of the monitor */\n"
      "ASHOST=before-any-dest\n"
      "DEST=PRD\n"
      "TYPE=A\n"
      "RFC_TRACE=0\n"
      "just text\n"
      "ASHOSTX=wrong\n"
      "ASHOST=prdhost\n"
      "SYSNR=00\n";
  DestinationSection s = ReadDestinationSection(ini, "PRD");
  EXPECT_TRUE(s.found);
  EXPECT_EQ(s.ashost, "prdhost");
  EXPECT_EQ(s.sysnr, "00");
}

TEST(DestinationSectionTest, ValueKeepsInnerBlanksAndEquals) {
  DestinationSection s = ReadDestinationSection("DEST=PRD\nGROUP= A = B \n", "PRD");
  EXPECT_EQ(s.group, "A = B");
}

TEST(DestinationSectionTest, FirstSectionAndFirstValueWin) {
  const char ini[] =
      "DEST=PRD\n"
      "ASHOST=first\n"
      "ASHOST=second\n"
      "SYSNR=\n"
      "SYSNR=07\n"
      "DEST=PRD\n"
      "ASHOST=again\n";
  DestinationSection s = ReadDestinationSection(ini, "PRD");
  EXPECT_EQ(s.ashost, "first");
  EXPECT_EQ(s.sysnr, "07");  // an empty value counts as not given
}

TEST(DestinationSectionTest, DestinationIgnoresCase) {
  EXPECT_EQ(ReadDestinationSection(kIni, "qas").ashost, "qashost");
}

TEST(DestinationSectionTest, TextWithoutFinalLineEnd) {
  DestinationSection s = ReadDestinationSection("DEST=PRD\nASHOST=h", "PRD");
  EXPECT_EQ(s.ashost, "h");
  DestinationSection nul =
      ReadDestinationSection(std::string_view("DEST=PRD\nASHOST=a\0b", 19), "PRD");
  EXPECT_EQ(nul.ashost, std::string("a\0b", 3));
}

}  // namespace
}  // namespace tolvaran
