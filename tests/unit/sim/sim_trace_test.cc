#include "sim_trace.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace rfcsim {
namespace {

std::vector<std::string> LinesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The program takes the text of "ERROR" lines from character 13 and of
// "======> " lines from character 16.
TEST(SimTraceTest, PutsTextsWhereTheReaderTakesThem) {
  std::vector<std::string> lines =
      LinesOf(FormatTraceBlock({"here", "it broke", "", "Exception X"}, 0, true));
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[0],
            "**** Trace file opened at 19700101 000000 UTC, SAP-REL 640,0,7 RFC-VER 3 SIM");
  EXPECT_EQ(lines[1], "**** ERROR file opened at 19700101 000000 UTC");
  EXPECT_EQ(lines[2].substr(12), "here");
  EXPECT_EQ(lines[3].substr(0, 6), "ERROR ");
  EXPECT_EQ(lines[3].substr(12), "it broke");
  EXPECT_EQ(lines[4].substr(0, 12), "TIME        ");
  EXPECT_EQ(lines[5].substr(7, 8), "======> ");
  EXPECT_EQ(lines[5].substr(15), "Exception X");
}

TEST(SimTraceTest, WritesTheFileHeaderOnlyForANewFile) {
  std::vector<std::string> lines =
      LinesOf(FormatTraceBlock({"here", "line\nbreak", "a note", ""}, 0, false));
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0].substr(0, 11), "**** ERROR ");
  EXPECT_EQ(lines[2], "ERROR       line break");
  EXPECT_EQ(lines[4], "NOTE        a note");
}

}  // namespace
}  // namespace rfcsim
