#include "platform/text_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tolvaran {
namespace {

std::vector<std::string> Pieces(const std::string& bytes, std::size_t max) {
  TextReader reader(bytes);
  std::vector<std::string> pieces;
  std::string piece;
  while (reader.ReadPiece(max, &piece)) pieces.push_back(piece);
  return pieces;
}

TEST(TextReaderTest, ReadsLikeFgetsInTextMode) {
  // CR LF is one line end, as a Windows runtime reads it; a lone CR stays.
  EXPECT_EQ((std::vector<std::string>{"a\n", "b\r\n", "c"}), Pieces("a\r\nb\r\r\nc", 99));
  EXPECT_EQ((std::vector<std::string>{"abc", "de\n", "\n"}), Pieces("abcde\n\n", 3));
  EXPECT_TRUE(Pieces("", 99).empty());
}

TEST(TextReaderTest, AByteOrderMarkAtTheStartIsSkipped) {
  EXPECT_EQ((std::vector<std::string>{"a\n", "b"}), Pieces("\xEF\xBB\xBF"
                                                           "a\r\nb",
                                                           99));
  EXPECT_EQ((std::vector<std::string>{"a\xEF\xBB\xBF\n"}), Pieces("a\xEF\xBB\xBF\n", 99));
  EXPECT_EQ((std::vector<std::string>{"\xEF\xBB"}), Pieces("\xEF\xBB", 99));
  EXPECT_TRUE(Pieces("\xEF\xBB\xBF", 99).empty());
}

TEST(TextReaderTest, APieceEndsAtANulByteAsACStringWould) {
  EXPECT_EQ((std::vector<std::string>{"ab", "xy\n"}), Pieces(std::string("ab\0cd\nxy\n", 9), 99));
}

TEST(TextReaderTest, LongLinesComeInPiecesOfAtMostMax) {
  std::vector<std::string> pieces = Pieces(std::string(250, 'x') + "\n", 99);
  ASSERT_EQ(3u, pieces.size());
  EXPECT_EQ(99u, pieces[0].size());
  EXPECT_EQ(99u, pieces[1].size());
  EXPECT_EQ(std::string(52, 'x') + "\n", pieces[2]);
}

TEST(StripLineEndTest, RemovesOneCarriageReturnThenOneLineFeed) {
  std::string line = "a\r";
  StripLineEnd(&line);
  EXPECT_EQ("a", line);
  line = "a\n\n";
  StripLineEnd(&line);
  EXPECT_EQ("a\n", line);
  line = "a\r\n";  // only a lone CR survives text mode; it is removed first
  StripLineEnd(&line);
  EXPECT_EQ("a\r", line);
}

}  // namespace
}  // namespace tolvaran
