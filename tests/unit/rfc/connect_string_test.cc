#include "rfc/connect_string.h"

#include <gtest/gtest.h>

#include <string>

namespace tolvaran {
namespace {

TEST(BuildConnectStringTest, PlainValuesKeepTheirBytes) {
  std::string out = "old";
  ASSERT_TRUE(BuildConnectString(
      {{"CLIENT", "100"}, {"PASSWD", "a=b&<\xff"}, {"LANG", "D"}, {"DEST", ""}}, &out));
  EXPECT_EQ(out, "CLIENT=100 PASSWD=a=b&<\xff LANG=D DEST=");
}

TEST(BuildConnectStringTest, AValueWithBlanksIsQuoted) {
  std::string out;
  ASSERT_TRUE(BuildConnectString({{"USER", "SAPMON"}, {"PASSWD", "x USER=OTHER"}}, &out));
  EXPECT_EQ(out, "USER=SAPMON PASSWD=\"x USER=OTHER\"");
  ASSERT_TRUE(BuildConnectString({{"PASSWD", "tab\there"}, {"DEST", " "}}, &out));
  EXPECT_EQ(out, "PASSWD=\"tab\there\" DEST=\" \"");
}

TEST(BuildConnectStringTest, AValueThatCannotBeWrittenSafelyGivesNothing) {
  std::string out = "old";
  EXPECT_FALSE(BuildConnectString({{"USER", "SAPMON"}, {"PASSWD", "ab\"cd"}}, &out));
  EXPECT_EQ(out, "");
  EXPECT_FALSE(BuildConnectString({{"PASSWD", "\" USER=OTHER \""}}, &out));
  EXPECT_FALSE(BuildConnectString({{"PASSWD", "a\nb"}}, &out));
  EXPECT_EQ(out, "");
}

}  // namespace
}  // namespace tolvaran
