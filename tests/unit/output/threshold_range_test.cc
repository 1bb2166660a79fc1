#include "output/threshold_range.h"

#include <gtest/gtest.h>

#include <string>

namespace tolvaran {
namespace {

ThresholdRange Parsed(const std::string& text) {
  std::string error;
  std::optional<ThresholdRange> range = ParseThresholdRange("WARN", text, &error);
  EXPECT_TRUE(range) << text << ": " << error;
  return range.value_or(ThresholdRange{});
}

std::string ErrorOf(const std::string& text) {
  std::string error;
  EXPECT_FALSE(ParseThresholdRange("CRIT", text, &error)) << text;
  return error;
}

TEST(ThresholdRangeTest, EachFormAlertsWhereTheGuidelinesSay) {
  const ThresholdRange upTo10 = Parsed("10");
  EXPECT_TRUE(RangeAlerts(upTo10, -1));
  EXPECT_FALSE(RangeAlerts(upTo10, 0));
  EXPECT_FALSE(RangeAlerts(upTo10, 10));
  EXPECT_TRUE(RangeAlerts(upTo10, 11));

  const ThresholdRange from10 = Parsed("10:");
  EXPECT_TRUE(RangeAlerts(from10, 9));
  EXPECT_FALSE(RangeAlerts(from10, 10));
  EXPECT_FALSE(RangeAlerts(from10, 1e12));

  const ThresholdRange below10 = Parsed("~:10");
  EXPECT_FALSE(RangeAlerts(below10, -1e12));
  EXPECT_FALSE(RangeAlerts(below10, 10));
  EXPECT_TRUE(RangeAlerts(below10, 10.5));

  const ThresholdRange outside = Parsed("10:20");
  EXPECT_TRUE(RangeAlerts(outside, 9));
  EXPECT_FALSE(RangeAlerts(outside, 10));
  EXPECT_FALSE(RangeAlerts(outside, 20));
  EXPECT_TRUE(RangeAlerts(outside, 21));

  const ThresholdRange inside = Parsed("@10:20");
  EXPECT_FALSE(RangeAlerts(inside, 9));
  EXPECT_TRUE(RangeAlerts(inside, 10));
  EXPECT_TRUE(RangeAlerts(inside, 20));
  EXPECT_FALSE(RangeAlerts(inside, 21));

  const ThresholdRange decimals = Parsed("-1.5:2.25");
  EXPECT_FALSE(RangeAlerts(decimals, -1.5));
  EXPECT_TRUE(RangeAlerts(decimals, 2.5));
  EXPECT_EQ(decimals.text, "-1.5:2.25");
}

TEST(ThresholdRangeTest, ATextThatIsNoRangeIsNamedWithWhatIsWrong) {
  EXPECT_EQ(ErrorOf(""), "CRIT= is empty: give a range such as 10, 10:, ~:10, 10:20 or @10:20");
  EXPECT_EQ(ErrorOf("abc"),
            "CRIT=abc is no range: \"abc\" is no number (ranges are 10, 10:, ~:10, 10:20 or "
            "@10:20)");
  EXPECT_EQ(ErrorOf("20:10"), "CRIT=20:10 is no range: its start is greater than its end");
  EXPECT_EQ(ErrorOf("10:~"),
            "CRIT=10:~ is no range: \"~\" is no number (ranges are 10, 10:, ~:10, 10:20 or "
            "@10:20)");
  EXPECT_NE(ErrorOf("10:20:30").find("\"20:30\" is no number"), std::string::npos);
  EXPECT_NE(ErrorOf("1e3").find("\"1e3\" is no number"), std::string::npos);
  EXPECT_NE(ErrorOf("5.").find("\"5.\" is no number"), std::string::npos);
  EXPECT_NE(ErrorOf("@").find("\"\" is no number"), std::string::npos);
}

}  // namespace
}  // namespace tolvaran
