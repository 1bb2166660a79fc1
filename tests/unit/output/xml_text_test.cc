#include "output/xml_text.h"

#include <gtest/gtest.h>

#include <string>

namespace tolvaran {
namespace {

TEST(EscapeXmlTextTest, MarkupCharacters) {
  EXPECT_EQ(EscapeXmlText("a&b<c"), "a&amp;b&lt;c");
  // ">" is only forbidden as the end of "]]>".
  EXPECT_EQ(EscapeXmlText("now >= 5"), "now >= 5");
  EXPECT_EQ(EscapeXmlText("x]]>y"), "x]]&gt;y");
  EXPECT_EQ(EscapeXmlText("]]]>"), "]]]&gt;");
  EXPECT_EQ(EscapeXmlText("]>]]"), "]>]]");
  EXPECT_EQ(EscapeXmlText(">"), ">");
}

TEST(EscapeXmlTextTest, ControlCharactersBecomeQuestionMarks) {
  EXPECT_EQ(EscapeXmlText(std::string("a\0b", 3)), "a?b");
  EXPECT_EQ(EscapeXmlText("\x01\x08\x0b\x0c\x1b\x1f"), "??????");
  EXPECT_EQ(EscapeXmlText("\t\n\r"), "\t\n\r");
  EXPECT_EQ(EscapeXmlText("\x7f"), "\x7f");
  // U+FFFE and U+FFFF are valid UTF-8 but no XML characters.
  EXPECT_EQ(EscapeXmlText("\xef\xbf\xbe\xef\xbf\xbf"), "??");
}

TEST(EscapeXmlTextTest, ValidUtf8KeepsItsBytes) {
  EXPECT_EQ(EscapeXmlText("\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80"),
            "\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80");
  EXPECT_EQ(EscapeXmlText("\xc2\x80"), "\xc2\x80");
}

TEST(EscapeXmlTextTest, OtherBytesAreWindows1252) {
  EXPECT_EQ(EscapeXmlText("\xff"), "\xc3\xbf");
  EXPECT_EQ(EscapeXmlText("caf\xe9"), "caf\xc3\xa9");
  EXPECT_EQ(EscapeXmlText("\x80"), "\xe2\x82\xac");
  EXPECT_EQ(EscapeXmlText("\x9f"), "\xc5\xb8");
  // Bytes Windows-1252 leaves unassigned become the code point of the same
  // number.
  EXPECT_EQ(EscapeXmlText("\x81\x9d"), "\xc2\x81\xc2\x9d");
  // Overlong forms, surrogates, code points past U+10FFFF and cut sequences
  // are no UTF-8: each byte counts on its own.
  EXPECT_EQ(EscapeXmlText("\xc0\xbc"), "\xc3\x80\xc2\xbc");
  EXPECT_EQ(EscapeXmlText("\xed\xa0\x80"), "\xc3\xad\xc2\xa0\xe2\x82\xac");
  EXPECT_EQ(EscapeXmlText("\xf4\x90\x80\x80"), "\xc3\xb4\xc2\x90\xe2\x82\xac\xe2\x82\xac");
  EXPECT_EQ(EscapeXmlText("\xe2\x82"), "\xc3\xa2\xe2\x80\x9a");
  EXPECT_EQ(EscapeXmlText("\xc3<"), "\xc3\x83&lt;");
}

TEST(CutWholeCharactersTest, DropsASplitSequence) {
  EXPECT_EQ(CutWholeCharacters("abc", 5), "abc");
  EXPECT_EQ(CutWholeCharacters("abcdef", 3), "abc");
  EXPECT_EQ(CutWholeCharacters("ab\xc3\xa9", 3), "ab");
  EXPECT_EQ(CutWholeCharacters("ab\xc3\xa9", 4), "ab\xc3\xa9");
  EXPECT_EQ(CutWholeCharacters("a\xe2\x82\xac", 3), "a");
  EXPECT_EQ(CutWholeCharacters("\xf0\x9f\x98\x80x", 3), "");
  // A byte that is no UTF-8 is a character of its own and stays.
  EXPECT_EQ(CutWholeCharacters("ab\xe9x", 3), "ab\xe9");
  EXPECT_EQ(CutWholeCharacters("ab\xc3x", 3), "ab\xc3");
}

}  // namespace
}  // namespace tolvaran
