#include "driver/global_allocation.h"

#include <gtest/gtest.h>

#include "driver/command_line.h"
#include "driver/profile_location.h"
#include "support/scratch_host.h"

namespace tolvaran {
namespace {

const char kTag[] = "Sensor=\"SAP Tolvaran\"";

class GlobalAllocationTest : public DriverStepsTest {
 protected:
  int Allocate(std::vector<std::string> args) {
    return RunSteps(args, [this](const std::vector<std::string>& a) {
      Invocation inv = StartUp(*host_, a, 0);
      plan_ = AllocateGlobalSensor(*host_, inv, LocateProfile(*host_, inv));
    });
  }
  ListingPlan plan_;
};

TEST_F(GlobalAllocationTest, IndexFileCollectsListingLinesInExactCase) {
  Write("Dalvenor.Prf",
        "# Gsng: 123456789012PRD.P00#\r\n"
        "# GSNG: 123456789012XXX.P00#\n"
        "# Gsng: short\n"
        "# Gsng: 123456789012QAS.P00#DEV.P00#\n");
  EXPECT_EQ(-1, Allocate({"any", "ITEM=Active:User(s)"}));
  EXPECT_EQ("PRD.P00#QAS.P00#DEV.P00#", plan_.listing);
  EXPECT_EQ("Active User(s)", plan_.itemName.str());
  EXPECT_EQ(LabelKind::kProfile, plan_.labelKind);
}

TEST_F(GlobalAllocationTest, IndexFileErrors) {
  EXPECT_EQ(2, Allocate({"any", "ITEM=X"}));
  EXPECT_EQ("Error 1002: Profile Dalvenor.Prf is missing...", ErrorText());
  Write("Dalvenor.Prf", "# nothing\n");
  EXPECT_EQ(2, Allocate({"any", "ITEM=X"}));
  EXPECT_EQ("Error 1025: Global Server Listing missing...", ErrorText());
  Write("Dalvenor.Prf", "# Gsng: 123456789012PRD.P00#\n");
  EXPECT_EQ(2, Allocate({"any", "ITEM=,X"}));
  EXPECT_EQ("Error 1026: Global Item Idenification missing...", ErrorText());
}

TEST_F(GlobalAllocationTest, SensorLineReplacesTheParameters) {
  Write("Dalvenor.Gbl",
        "# gsng: prod      xxPRD.P00#\n"
        "# GSNX: PROD      xItem=Act:Terminals CLIENT=200," +
            std::string(kTag) + ",Host\n");
  EXPECT_EQ(-1, Allocate({"global", "prod"}));
  EXPECT_EQ("Act Terminals", plan_.itemName.str());
  EXPECT_EQ(LabelKind::kHost, plan_.labelKind);
  EXPECT_EQ("Item=Act Terminals CLIENT=200", plan_.params.raw.str());
  EXPECT_EQ("ITEM=ACT TERMINALS CLIENT=200", plan_.params.upper.str());
  EXPECT_EQ("200", plan_.params.client);
  EXPECT_EQ("PRD.P00#", plan_.listing);
}

TEST_F(GlobalAllocationTest, SensorNameIsComparedOnTenPaddedCharacters) {
  std::string sensor = std::string("xItem=Session(s),") + kTag + "\n";
  Write("Dalvenor.Gbl",
        "# GSNG: PROD      xxA.P00#\n"
        "# GSNG: PRODUCTION  B.P00#\n"
        "# GSNX: PROD      " +
            sensor +
            "# GSNG: PRODUCTION02C.P00#\n"
            "# GSNX: PRODUCTION" +
            sensor);
  EXPECT_EQ(-1, Allocate({"global", "prod"}));
  EXPECT_EQ("A.P00#", plan_.listing);
  EXPECT_EQ(-1, Allocate({"global", "PRODUCTION01"}));
  EXPECT_EQ("B.P00#C.P00#", plan_.listing);
}

TEST_F(GlobalAllocationTest, LabelKindFollowsTheLastTagInFixedOrder) {
  Write("Dalvenor.Gbl",
        "# GSNG: S1          A.P00#\n"
        "# GSNX: S1         Item=X," +
            std::string(kTag) + ",Sid,Alias,Profile\n");
  EXPECT_EQ(-1, Allocate({"global", "S1"}));
  EXPECT_EQ(LabelKind::kDestination, plan_.labelKind);
  Write("Dalvenor.Gbl",
        "# GSNG: S1          A.P00#\n"
        "# GSNX: S1         Item=X," +
            std::string(kTag) + "\n");
  EXPECT_EQ(-1, Allocate({"global", "S1"}));
  EXPECT_EQ(LabelKind::kProfile, plan_.labelKind);
}

TEST_F(GlobalAllocationTest, GlobalFileErrorsInTheirOrder) {
  EXPECT_EQ(2, Allocate({"global", "S1"}));
  EXPECT_EQ("Error 1002: Profile Dalvenor.Gbl is missing...", ErrorText());

  Write("Dalvenor.Gbl",
        "# GSNX: S1         Item=X,Sensor=\"SAP Other\"\n"
        "# GSNX: S1         Item=X," +
            std::string(kTag) + "\n");
  EXPECT_EQ(2, Allocate({"global", "S1"}));
  EXPECT_EQ("Error 1029: Invalid Sensor-Allocation...", ErrorText());

  Write("Dalvenor.Gbl", "# GSNG: S1          A.P00#\n");
  EXPECT_EQ(2, Allocate({"global", "S1", "more"}));
  EXPECT_EQ("Error 1030: Global Sensor S1 not found...", ErrorText());
  EXPECT_EQ(2, Allocate({"global"}));
  EXPECT_EQ("Error 1030: Global Sensor  not found...", ErrorText());

  Write("Dalvenor.Gbl", "# GSNX: S1         Item=X," + std::string(kTag) + "\n");
  EXPECT_EQ(2, Allocate({"global", "S1"}));
  EXPECT_EQ("Error 1025: Global Server Listing missing...", ErrorText());

  Write("Dalvenor.Gbl",
        "# GSNG: S1          A.P00#\n"
        "# GSNX: S1         CLIENT=1," +
            std::string(kTag) + "\n");
  EXPECT_EQ(2, Allocate({"global", "S1"}));
  EXPECT_EQ("Error 1026: Global Item Idenification missing...", ErrorText());
}

TEST_F(GlobalAllocationTest, LongListingIsKeptWhole) {
  std::string lines;
  for (int i = 0; i < 40; ++i) lines += "# Gsng: 123456789012" + std::string(150, 'a') + "#\n";
  Write("Dalvenor.Prf", lines);
  EXPECT_EQ(-1, Allocate({"x", "ITEM=Y"}));
  EXPECT_EQ(40u * 151u, plan_.listing.size());
  EXPECT_EQ(40u, CountListedSystems(plan_.listing));
}

}  // namespace
}  // namespace tolvaran
