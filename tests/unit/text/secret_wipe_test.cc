#include "text/secret_wipe.h"

#include <gtest/gtest.h>

#include <string>

namespace tolvaran {
namespace {

TEST(SecretWipeTest, AStringsWholeStorageIsZeroedAndItIsEmpty) {
  std::string text = "Tulip7prd, longer than a short string holds";
  text.resize(5);  // the rest of the password still lies beyond the end
  WipeSecret(&text);
  EXPECT_TRUE(text.empty());
  std::size_t capacity = text.capacity();
  text.resize(capacity);  // no allocation: the same storage, shown
  EXPECT_EQ(text, std::string(capacity, '\0'));

  std::u16string wide = u"Tulip7prd, longer than a short string holds";
  WipeSecret(&wide);
  wide.resize(wide.capacity());
  EXPECT_EQ(wide, std::u16string(wide.size(), u'\0'));
}

TEST(SecretWipeTest, TheGuardWipesAtTheEndOfItsScope) {
  FixedText<32> field;
  field.Set("Tulip7prd");
  std::string copy = "Tulip7prd";
  {
    WipeOnExit wipe(&field, &copy);
    EXPECT_EQ(field, "Tulip7prd");
  }
  EXPECT_TRUE(field.empty());
  EXPECT_EQ(std::string(field.data(), 32), std::string(32, '\0'));
  EXPECT_TRUE(copy.empty());
}

}  // namespace
}  // namespace tolvaran
