#include "output/plugin_output.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/user_list_rows.h"

namespace tolvaran {
namespace {

PluginThresholds Thresholds(const std::string& warn, const std::string& crit) {
  PluginThresholds thresholds;
  std::string error;
  if (!warn.empty()) thresholds.warn = ParseThresholdRange("WARN", warn, &error);
  if (!crit.empty()) thresholds.crit = ParseThresholdRange("CRIT", crit, &error);
  return thresholds;
}

CheckReport SingleWithUsers(std::uint32_t users) {
  return CheckReport::Single("PRD", "", UserList(), UserValues({users, 1, 2, 4, 5, 6}),
                             "(PRD) System-Usage: Active Users=" + std::to_string(users));
}

ListedSystem Listed(const std::string& profile, const std::string& label, SystemState state,
                    std::uint32_t users) {
  ListedSystem system;
  system.profile = profile;
  system.label = label;
  system.state = state;
  system.reading.values = {users, 0, 0, 0, 0, 0};
  return system;
}

TEST(PluginOutputTest, AGoodSingleRunIsOkWithTheSixValuesAsPerfdata) {
  const RenderedOutput out = RenderPlugin(SingleWithUsers(3), {});
  EXPECT_EQ(out.bytes,
            "TOLVARAN OK - (PRD) System-Usage: Active Users=3 | 'Active_Users'=3;;;0; "
            "'Act_Tran_Codes'=1;;;0; 'Act_Terminals'=2;;;0; 'No_of_Sessions'=4;;;0; "
            "'External_Modi'=5;;;0; 'Internal_Modi'=6;;;0;\n");
  EXPECT_EQ(out.exitStatus, 0);
}

TEST(PluginOutputTest, ThresholdsJudgeActiveUsersCriticalBeforeWarning) {
  const PluginThresholds thresholds = Thresholds("10", "@20:");
  const RenderedOutput warning = RenderPlugin(SingleWithUsers(12), thresholds);
  EXPECT_EQ(warning.exitStatus, 1);
  EXPECT_EQ(warning.bytes.rfind("TOLVARAN WARNING - Active User(s) 12 breaches WARN=10; (PRD) "
                                "System-Usage: Active Users=12 | 'Active_Users'=12;10;@20:;0; "
                                "'Act_Tran_Codes'=1;;;0;",
                                0),
            0u);
  const RenderedOutput critical = RenderPlugin(SingleWithUsers(25), thresholds);
  EXPECT_EQ(critical.exitStatus, 2);
  EXPECT_EQ(critical.bytes.rfind("TOLVARAN CRITICAL - Active User(s) 25 breaches CRIT=@20:; ", 0),
            0u);
  EXPECT_EQ(RenderPlugin(SingleWithUsers(7), thresholds).exitStatus, 0);
}

TEST(PluginOutputTest, ErrorsAreUnknownForConfigurationCriticalOtherwise) {
  const RenderedOutput config = RenderPlugin(
      CheckReport::Failure(
          "", {1002, "Error 1002: Profile X.P00 is missing...", ErrorClass::kConfiguration}),
      {});
  EXPECT_EQ(config.bytes, "TOLVARAN UNKNOWN - Error 1002: Profile X.P00 is missing...\n");
  EXPECT_EQ(config.exitStatus, 3);
  EXPECT_EQ(RenderPlugin(CheckReport::Failure("PRD", {1011, "x", ErrorClass::kUnreachable}), {})
                .exitStatus,
            2);
  EXPECT_EQ(
      RenderPlugin(CheckReport::Failure("PRD", {1016, "x", ErrorClass::kDeadline}), {}).exitStatus,
      2);
}

TEST(PluginOutputTest, OutsideTextStaysOnOneLineAndLabelsAreQuoted) {
  EXPECT_EQ(PerfdataLabel("it's a=b"), "'it''s a=b'");
  const RenderedOutput out = RenderPlugin(
      CheckReport::Failure("", {1003, "bad | name\r\nnext \xe9", ErrorClass::kConfiguration}), {});
  EXPECT_EQ(out.bytes, "TOLVARAN UNKNOWN - bad / name  next \xc3\xa9\n");
  // NEL, LINE SEPARATOR and PARAGRAPH SEPARATOR, in UTF-8 text, end a line
  // for Unicode-aware readers: each becomes a blank too.
  const RenderedOutput unicode =
      RenderPlugin(CheckReport::Failure("", {1012,
                                             "a\xc2\x85"
                                             "b\xe2\x80\xa8"
                                             "c\xe2\x80\xa9"
                                             "d",
                                             ErrorClass::kConfiguration}),
                   {});
  EXPECT_EQ(unicode.bytes, "TOLVARAN UNKNOWN - a b c d\n");
}

TEST(PluginOutputTest, AListingNamesWhoBreachedAndFailed) {
  ListingResult listing;
  listing.item = UserItem(0);
  listing.measurement = &UserList();
  listing.summary = "(***) Active User(s): NoSystems=4, Processed=3, Failed=1";
  listing.systems = {Listed("PRD.P00", "PRD", SystemState::kOk, 25),
                     Listed("QAS.P00", "QAS", SystemState::kOk, 12),
                     Listed("DEV.P00", "DEV", SystemState::kOk, 2),
                     Listed("SBX.P00", "SBX", SystemState::kFailed, 0)};
  const RenderedOutput out =
      RenderPlugin(CheckReport::Listing("", listing), Thresholds("10", "20"));
  EXPECT_EQ(out.bytes,
            "TOLVARAN CRITICAL - (***) Active User(s): NoSystems=4, Processed=3, Failed=1; "
            "CRIT=20 breached by PRD; WARN=10 breached by QAS; failed: SBX | 'PRD'=25;10;20;0; "
            "'QAS'=12;10;20;0; 'DEV'=2;10;20;0;\n");
  EXPECT_EQ(out.exitStatus, 2);

  listing.systems.pop_back();
  listing.systems[0].reading.values[0] = 5;
  EXPECT_EQ(RenderPlugin(CheckReport::Listing("", listing), Thresholds("10", "20")).exitStatus, 1);
  listing.item = ValueRef{};
  listing.systems[1].state = SystemState::kNoItemValue;
  EXPECT_EQ(RenderPlugin(CheckReport::Listing("", listing), {}).exitStatus, 3);
}

TEST(PluginOutputTest, AListedSystemMissingServersIsAWarningByName) {
  ListingResult listing;
  listing.item = UserItem(0);
  listing.measurement = &UserList();
  listing.summary = "(***) Active User(s): NoSystems=2, Processed=2, Failed=0, Partial=1";
  listing.systems = {Listed("PRD.P00", "PRD", SystemState::kOk, 5),
                     Listed("QAS.P00", "QAS", SystemState::kOk, 3)};
  listing.systems[1].servers = {2, 3};
  const RenderedOutput out = RenderPlugin(CheckReport::Listing("", listing), {});
  EXPECT_EQ(out.bytes,
            "TOLVARAN WARNING - (***) Active User(s): NoSystems=2, Processed=2, Failed=0, "
            "Partial=1; servers missing: QAS | 'PRD'=5;;;0; 'QAS'=3;;;0;\n");
  EXPECT_EQ(out.exitStatus, 1);
}

}  // namespace
}  // namespace tolvaran
