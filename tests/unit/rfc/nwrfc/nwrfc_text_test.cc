#include "rfc/nwrfc/nwrfc_text.h"

#include <gtest/gtest.h>

#include <string>

namespace tolvaran {
namespace {

TEST(NwRfcTextTest, BytesBecomeLatin1CodePoints) {
  std::u16string text = BytesToSapUc(std::string("A\xE4\xFF\x7F z", 6));
  EXPECT_EQ(text, (std::u16string{u'A', 0x00E4, 0x00FF, 0x007F, u' ', u'z'}));
  // Terminated for the library's parameters.
  EXPECT_EQ(text.c_str()[text.size()], 0);
  EXPECT_TRUE(BytesToSapUc("").empty());
}

TEST(NwRfcTextTest, HighBytesAreNotSignExtended) {
  // A signed char 0x80 must become U+0080, not U+FF80.
  EXPECT_EQ(BytesToSapUc("\x80")[0], 0x0080);
}

TEST(NwRfcTextTest, FieldComesBackByteForByteUpToFF) {
  const SAP_UC field[] = {u'S', u'A', u'P', 0x00C4, 0x00FF, u' ', u' '};
  EXPECT_EQ(SapUcToBytes(field, 7), std::string("SAP\xC4\xFF  ", 7));
}

TEST(NwRfcTextTest, CodePointsAboveFFBecomeHashOneForOne) {
  // U+0100, U+20AC (euro), U+4E2D and both halves of U+1F600: each code
  // unit one "#", so a field keeps its width.
  const SAP_UC field[] = {u'M', 0x0100, 0x20AC, 0x4E2D, 0xD83D, 0xDE00, u'X'};
  EXPECT_EQ(SapUcToBytes(field, 7), "M#####X");
}

TEST(NwRfcTextTest, FieldLengthIsExactNulsIncluded) {
  const SAP_UC field[] = {u'A', 0, u'B', u'C'};
  EXPECT_EQ(SapUcToBytes(field, 3), std::string("A\0B", 3));
  EXPECT_EQ(SapUcToBytes(field, 0), "");
  EXPECT_EQ(SapUcToBytes(nullptr, 5), "");
}

TEST(NwRfcTextTest, RoundTripOfEveryByte) {
  std::string all;
  for (int b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
  std::u16string text = BytesToSapUc(all);
  EXPECT_EQ(SapUcToBytes(text.data(), text.size()), all);
}

TEST(NwRfcTextTest, ArrayStopsAtNulOrItsEnd) {
  RFC_ERROR_INFO info{};
  const char16_t key[] = u"USER_NOT_FOUND";
  for (std::size_t i = 0; key[i] != 0; ++i) info.key[i] = key[i];
  EXPECT_EQ(SapUcArrayToBytes(info.key), "USER_NOT_FOUND");
  EXPECT_EQ(SapUcArrayToBytes(info.message), "");

  // A full array without a terminator: all of it, nothing beyond.
  SAP_UC full[3] = {u'a', 0x0142, u'c'};
  EXPECT_EQ(SapUcArrayToBytes(full), "a#c");
  EXPECT_EQ(SapUcArrayToBytes(nullptr, 4), "");
}

}  // namespace
}  // namespace tolvaran
