#include "output/openmetrics.h"

#include <gtest/gtest.h>

#include <string>

#include "support/user_list_rows.h"

namespace tolvaran {
namespace {

ListedSystem Listed(const std::string& profile, const std::string& label, SystemState state) {
  ListedSystem system;
  system.profile = profile;
  system.label = label;
  system.state = state;
  system.reading.values = {1, 2, 3, 4, 5, 6};
  if (state == SystemState::kFailed) system.error = {1011, "", ErrorClass::kUnreachable};
  return system;
}

TEST(OpenMetricsTest, ASingleRunIsUpWithSixGaugesLabelledBySystemAndClient) {
  const RenderedOutput out = RenderOpenMetrics(
      CheckReport::Single("PRD", "100", UserList(), UserValues({3, 1, 2, 4, 5, 6}), "ignored"));
  EXPECT_EQ(out.bytes,
            "# TYPE tolvaran_up gauge\n"
            "# HELP tolvaran_up 1 when the system's user list was counted, 0 when not.\n"
            "tolvaran_up{system=\"PRD\"} 1\n"
            "# TYPE tolvaran_active_users gauge\n"
            "# HELP tolvaran_active_users Distinct users logged on.\n"
            "tolvaran_active_users{system=\"PRD\",client=\"100\"} 3\n"
            "# TYPE tolvaran_transaction_codes gauge\n"
            "# HELP tolvaran_transaction_codes Sessions running a transaction.\n"
            "tolvaran_transaction_codes{system=\"PRD\",client=\"100\"} 1\n"
            "# TYPE tolvaran_terminals gauge\n"
            "# HELP tolvaran_terminals Distinct terminals logged on.\n"
            "tolvaran_terminals{system=\"PRD\",client=\"100\"} 2\n"
            "# TYPE tolvaran_sessions gauge\n"
            "# HELP tolvaran_sessions User sessions.\n"
            "tolvaran_sessions{system=\"PRD\",client=\"100\"} 4\n"
            "# TYPE tolvaran_external_modes gauge\n"
            "# HELP tolvaran_external_modes External modes of all sessions.\n"
            "tolvaran_external_modes{system=\"PRD\",client=\"100\"} 5\n"
            "# TYPE tolvaran_internal_modes gauge\n"
            "# HELP tolvaran_internal_modes Internal modes of all sessions.\n"
            "tolvaran_internal_modes{system=\"PRD\",client=\"100\"} 6\n"
            "# EOF\n");
  EXPECT_EQ(out.exitStatus, 0);
}

TEST(OpenMetricsTest, AnErrorIsDownWithItsCodeAndNoOtherSample) {
  const RenderedOutput out = RenderOpenMetrics(CheckReport::Failure(
      "PRD", {1011, "Error 1011: RFC-Open for PRD failed !", ErrorClass::kUnreachable}));
  EXPECT_EQ(out.bytes,
            "# TYPE tolvaran_up gauge\n"
            "# HELP tolvaran_up 1 when the system's user list was counted, 0 when not.\n"
            "tolvaran_up{system=\"PRD\"} 0\n"
            "# TYPE tolvaran_error info\n"
            "# HELP tolvaran_error The error that kept the system from being counted.\n"
            "tolvaran_error_info{system=\"PRD\",code=\"1011\"} 1\n"
            "# EOF\n");
  EXPECT_EQ(out.exitStatus, 0);
}

TEST(OpenMetricsTest, LabelValuesEscapeBackslashQuoteAndLineFeedOnly) {
  EXPECT_EQ(LabelValue("a\\b\"c\nd\te]]>"), "\"a\\\\b\\\"c\\nd\te]]>\"");
  EXPECT_EQ(LabelValue("M\xfcller"), "\"M\xc3\xbcller\"");
}

TEST(OpenMetricsTest, AListingHasOneLabelSetPerSystem) {
  ListingResult listing;
  listing.item = UserItem(0);
  listing.measurement = &UserList();
  // A shared label is told apart by the profile; a profile listed again is
  // the same system.
  listing.systems = {Listed("A.P00", "PRD", SystemState::kOk),
                     Listed("B.P00", "PRD", SystemState::kFailed),
                     Listed("a.p00", "again", SystemState::kOk),
                     Listed("C.P00", "QAS", SystemState::kNoItemValue)};
  listing.missing = {"GONE.P00"};  // counted after the errors, not labelled
  const std::string bytes = RenderOpenMetrics(CheckReport::Listing("", listing)).bytes;
  EXPECT_NE(bytes.find("tolvaran_up{system=\"PRD [A.P00]\"} 1\n"
                       "tolvaran_up{system=\"PRD [B.P00]\"} 0\n"
                       "tolvaran_up{system=\"QAS\"} 1\n# TYPE"),
            std::string::npos);
  EXPECT_NE(bytes.find("tolvaran_internal_modes{system=\"PRD [A.P00]\"} 6\n"
                       "tolvaran_internal_modes{system=\"QAS\"} 6\n# TYPE tolvaran_error info"),
            std::string::npos);
  EXPECT_NE(bytes.find("\ntolvaran_error_info{system=\"PRD [B.P00]\",code=\"1011\"} 1\n"
                       "# TYPE tolvaran_profiles_missing gauge\n"),
            std::string::npos);
  EXPECT_NE(bytes.find("\ntolvaran_profiles_missing 1\n# EOF\n"), std::string::npos);
  EXPECT_EQ(bytes.find("again"), std::string::npos);
}

TEST(OpenMetricsTest, AListingOfAWorkProcessValueWritesEachFamilyOnceInItsBaseUnit) {
  ListingResult listing;
  listing.item = FindValue(Measurements(), "Dialog Busy Percent");
  ASSERT_TRUE(listing.item.found());
  listing.measurement = listing.item.measurement;
  const std::size_t n = listing.measurement->Values().size();
  for (const char* name : {"PRD", "QAS"}) {
    ListedSystem system = Listed(std::string(name) + ".P00", name, SystemState::kOk);
    system.reading.values.assign(n, 1);
    system.reading.values[listing.item.index] = 75;
    listing.systems.push_back(system);
  }
  const std::string bytes = RenderOpenMetrics(CheckReport::Listing("", listing)).bytes;
  // The work processes by type are one family, their samples told apart by
  // type, every system's under it.
  const std::string family = "# TYPE tolvaran_work_processes gauge\n";
  ASSERT_NE(bytes.find(family), std::string::npos);
  EXPECT_EQ(bytes.find(family, bytes.find(family) + 1), std::string::npos);
  EXPECT_NE(bytes.find("tolvaran_work_processes{system=\"PRD\",type=\"dialog\"} 1\n"
                       "tolvaran_work_processes{system=\"PRD\",type=\"background\"} 1\n"),
            std::string::npos);
  EXPECT_NE(bytes.find("tolvaran_work_processes{system=\"QAS\",type=\"enqueue\"} 1\n"),
            std::string::npos);
  // A percentage is a ratio.
  EXPECT_NE(bytes.find("# UNIT tolvaran_dialog_work_processes_busy_ratio ratio\n"
                       "tolvaran_dialog_work_processes_busy_ratio{system=\"PRD\"} 0.75\n"
                       "tolvaran_dialog_work_processes_busy_ratio{system=\"QAS\"} 0.75\n"),
            std::string::npos);
}

}  // namespace
}  // namespace tolvaran
