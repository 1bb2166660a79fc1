#include "text/base64.h"

#include <gtest/gtest.h>

#include <string>

namespace tolvaran {
namespace {

TEST(Base64Test, EncodesTheStandardVectorsAndDecodesThemBack) {
  const std::pair<std::string, std::string> vectors[] = {{"", ""},
                                                         {"f", "Zg=="},
                                                         {"fo", "Zm8="},
                                                         {"foo", "Zm9v"},
                                                         {"foob", "Zm9vYg=="},
                                                         {"fooba", "Zm9vYmE="},
                                                         {"foobar", "Zm9vYmFy"},
                                                         {std::string("\0\xFF\xFE", 3), "AP/+"}};
  for (const auto& [plain, encoded] : vectors) {
    EXPECT_EQ(Base64Encode(plain), encoded);
    std::string decoded;
    EXPECT_TRUE(Base64Decode(encoded, &decoded)) << encoded;
    EXPECT_EQ(decoded, plain);
  }
}

TEST(Base64Test, RefusesWhatIsNotPaddedBase64) {
  std::string decoded;
  for (const char* bad : {"Zg", "Zg=", "Z===", "Zm9v Yg==", "Zg==Zg==", "Zm=v", "Zm9*", "Zg==\n"}) {
    EXPECT_FALSE(Base64Decode(bad, &decoded)) << bad;
  }
}

}  // namespace
}  // namespace tolvaran
