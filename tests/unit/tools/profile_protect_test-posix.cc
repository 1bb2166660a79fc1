// Protected passwords where Windows' data protection is missing: the
// profile is refused as one that cannot be decrypted here.
#include <gtest/gtest.h>

#include <string>

#include "support/profile_tool_fixture.h"
#include "text/base64.h"

namespace tolvaran {
namespace {

// A profile that a Windows machine protected: any well-formed value will
// do, since none can be decrypted here. Its line is longer than the pieces
// the readers take.
std::string ProtectedProfile() {
  return "Destination: PRD\nClient.....: 100\nUser.......: SAPMON\nPassword...: DPAPI:" +
         Base64Encode(std::string(180, '\x01')) + "\nLanguage...: E\n";
}

TEST_F(ProfileToolTest, ProtectingNeedsWindows) {
  input_ = {"Geheim1"};
  EXPECT_EQ(Run(With(NewArgs("SYS1.P00"), "--protect", "machine")), 2);
  EXPECT_EQ(err_.str(),
            "tolvaran-profile new: the password cannot be stored: DPAPI needs Windows\n");
  EXPECT_FALSE(fs::exists(dir_ / "SYS1.P00"));

  input_ = {"Geheim1"};
  ASSERT_EQ(Run(NewArgs("SYS2.P00")), 0) << err_.str();
  std::string before = Slurp(dir_ / "SYS2.P00");
  EXPECT_EQ(Run({"protect", Path("SYS2.P00"), "--scope", "user"}), 2);
  EXPECT_EQ(err_.str(), "tolvaran-profile protect: " + Path("SYS2.P00") +
                            ": the password cannot be protected: DPAPI needs Windows\n");
  EXPECT_EQ(Slurp(dir_ / "SYS2.P00"), before);
}

TEST_F(ProfileToolTest, AProtectedProfileIsError1008WithTheReason) {
  Spill(dir_ / "SYS1.P00", ProtectedProfile());
  EXPECT_EQ(Run({"check", Path("SYS1.P00")}), 2);
  EXPECT_EQ(out_.str(),
            "Error 1008: Protected password of SYS1.P00 cannot be decrypted here !\n"
            "  Password...: DPAPI needs Windows\n");

  // Read as the listing reads it: the system fails, with no password.
  SystemProfile profile;
  profile.password.Set("earlier");
  EXPECT_FALSE(
      ReadListedProfile(BuildKeyTable(), "SYS1.P00", ProtectedProfile(), &profile).empty());
  EXPECT_TRUE(profile.password.empty());
}

}  // namespace
}  // namespace tolvaran
