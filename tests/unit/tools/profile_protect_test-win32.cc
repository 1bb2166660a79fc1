// Protected passwords with Windows' data protection: written by the tool,
// read by the program's own readers, refused when they cannot be decrypted.
#include <gtest/gtest.h>

#include <string>

#include "platform/protected_data.h"
#include "profile/protected_password.h"
#include "support/profile_tool_fixture.h"
#include "text/base64.h"

namespace tolvaran {
namespace {

std::string PasswordValue(const std::string& text) {
  std::size_t at = text.find("Password...: ");
  return text.substr(at + 13, text.find_first_of("\r\n", at) - at - 13);
}

TEST_F(ProfileToolTest, NewWithProtectStoresAPasswordOnlyThisMachineReads) {
  for (const char* scope : {"machine", "user"}) {
    input_ = {"Geheim1"};
    std::string name = std::string("SYS-") + scope + ".P00";
    ASSERT_EQ(Run(With(NewArgs(name), "--protect", scope)), 0) << err_.str();
    EXPECT_EQ(out_.str(),
              "Wrote " + Path(name) + " (password protected, scope " + scope + ") (check: OK)\n");
    std::string value = PasswordValue(Slurp(dir_ / name));
    EXPECT_EQ(value.rfind("DPAPI:", 0), 0u);
    EXPECT_GT(value.size(), 99u) << "longer than a piece the reader takes";
    std::string result;
    SystemProfile read = ReadBack(name, &result);
    EXPECT_EQ(result, "");
    EXPECT_EQ(read.password, "Geheim1");
    EXPECT_EQ(Run({"check", Path(name)}), 0);
  }
  input_ = {"Geheim1"};
  EXPECT_EQ(Run(With(NewArgs("BAD.P00"), "--protect", "everyone")), 2);
  EXPECT_EQ(err_.str(),
            "tolvaran-profile new: --protect: \"everyone\" is neither machine nor user\n");
}

TEST_F(ProfileToolTest, ProtectReplacesTheScrambledPasswordInPlace) {
  input_ = {"Geheim1"};
  ASSERT_EQ(Run(NewArgs("SYS1.P00")), 0) << err_.str();
  // CR LF line ends, a comment, and a second password line that would
  // otherwise still carry the scrambled form.
  std::string scrambled = Slurp(dir_ / "SYS1.P00");
  std::string text;
  for (char c : scrambled + "Password...: " + PasswordValue(scrambled) + "\n* kept\n") {
    if (c == '\n') text += '\r';
    text += c;
  }
  Spill(dir_ / "SYS1.P00", text);

  EXPECT_EQ(Run({"protect", Path("SYS1.P00"), "--scope", "machine"}), 0) << err_.str();
  EXPECT_EQ(out_.str(), "Protected " + Path("SYS1.P00") + " (scope machine, check: OK)\n");
  std::string after = Slurp(dir_ / "SYS1.P00");
  EXPECT_EQ(after.find(PasswordValue(scrambled)), std::string::npos);
  EXPECT_EQ(after.find("Password...:"), after.rfind("Password...:"));
  EXPECT_NE(after.find("Password...: DPAPI:"), std::string::npos);
  EXPECT_NE(after.find("\r\n* kept\r\n"), std::string::npos);
  EXPECT_EQ(after.find("\r\r"), std::string::npos);
  std::string result;
  EXPECT_EQ(ReadBack("SYS1.P00", &result).password, "Geheim1");
  EXPECT_EQ(result, "");

  // Protected again with the other scope: the same password.
  EXPECT_EQ(Run({"protect", Path("SYS1.P00"), "--scope", "user"}), 0) << err_.str();
  EXPECT_EQ(ReadBack("SYS1.P00", &result).password, "Geheim1");
}

TEST_F(ProfileToolTest, AProtectedValueThatDoesNotDecryptIsError1008) {
  input_ = {"Geheim1"};
  ASSERT_EQ(Run(With(NewArgs("SYS1.P00"), "--protect", "user")), 0) << err_.str();
  std::string good = Slurp(dir_ / "SYS1.P00");
  std::string value = PasswordValue(good);

  // Made by another program: the same API, without this program's entropy.
  std::string blob;
  std::string reason;
  ASSERT_TRUE(ProtectData("Geheim1", "", ProtectionScope::kUser, "other", &blob, &reason));
  std::string other = good;
  other.replace(other.find(value), value.size(), "DPAPI:" + Base64Encode(blob));
  Spill(dir_ / "OTHER.P00", other);

  // One byte of the encrypted data changed: near the end, where the
  // ciphertext and its signature are (the blob begins with fields that are
  // not checked).
  std::string bytes;
  ASSERT_TRUE(Base64Decode(value.substr(6), &bytes));
  bytes[bytes.size() - 5] = static_cast<char>(bytes[bytes.size() - 5] ^ 0x20);
  std::string damaged = good;
  damaged.replace(damaged.find(value), value.size(), "DPAPI:" + Base64Encode(bytes));
  Spill(dir_ / "DAMAGED.P00", damaged);

  for (const char* name : {"OTHER.P00", "DAMAGED.P00"}) {
    std::string result;
    SystemProfile read = ReadBack(name, &result);
    EXPECT_EQ(result, std::string("Error 1008: Protected password of ") + name +
                          " cannot be decrypted here !");
    EXPECT_TRUE(read.password.empty());
    EXPECT_EQ(Run({"check", Path(name)}), 2);
    EXPECT_NE(out_.str().find("\n  Password...: "), std::string::npos) << out_.str();
  }
}

}  // namespace
}  // namespace tolvaran
