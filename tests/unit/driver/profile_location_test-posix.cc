// The monitor's fixed places against the file system's real owners and
// modes: what a user who is not an administrator could have written is
// skipped. (Windows' owners and access lists are not made by a test here.)
#include <gtest/gtest.h>

#include "driver/command_line.h"
#include "driver/profile_location.h"
#include "support/scratch_host.h"

namespace tolvaran {
namespace {

class ProfilePlacesTest : public DriverStepsTest {};

TEST_F(ProfilePlacesTest, AFixedPlaceOthersCouldWriteIsSkippedAndNamedInVersion) {
  const std::string sub = "/PRTG Network Monitor/Custom Sensors/ExeXml/SYS1.P00";
  Write("/Programme" + sub, "planted");
  Write("/Program Files" + sub, "installed");
  std::filesystem::permissions(dir_ / "Programme", std::filesystem::perms::others_write,
                               std::filesystem::perm_options::add);
  ProfileSource source;
  EXPECT_EQ(-1, RunSteps({"SYS1"}, [&](const std::vector<std::string>& args) {
    source = LocateProfile(*host_, StartUp(*host_, args, 0));
  }));
  EXPECT_EQ("installed", source.bytes);

  std::string lines = ProfilePlaceLines(*host_);
  const std::string root = dir_.string();
  EXPECT_NE(std::string::npos,
            lines.find(root + "/Programme/PRTG Network Monitor/Custom Sensors/ExeXml/ (skipped: " +
                       root + "/Programme is writable by every user)\n"))
      << lines;
  EXPECT_NE(
      std::string::npos,
      lines.find("  " + root + "/Program Files/PRTG Network Monitor/Custom Sensors/ExeXml/\n"))
      << lines;
}

}  // namespace
}  // namespace tolvaran
