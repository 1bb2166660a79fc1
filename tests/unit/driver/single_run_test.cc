#include "driver/single_run.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/command_line.h"
#include "support/fake_backend.h"
#include "support/fake_host.h"
#include "support/user_list_rows.h"

namespace tolvaran {
namespace {

class SingleRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    profile.destination.Set("PRD");
    profile.logonClient.Set("100");
    profile.hostname.Set("prdhost");
    profile.systemNumber.Set("00");
    backend.script.sessions = {FakeBackend::MakeSession("100", "MEIER", "VA01", "PC01")};
  }

  // Runs with the parameter text `parameters`: the exit status, or the
  // status of an error exit with its output in `ended`.
  int Run(const std::string& parameters) {
    Invocation inv = StartUp(host, {"tolvaran", "PRD", parameters}, 0);
    try {
      return RunSingleSystem(host, inv, ReportSettings(), "PRD.P00", profile, backend);
    } catch (const RunEnd& end) {
      ended = end.output;
      return end.status;
    }
  }

  FakeHost host;
  FakeBackend backend;
  SystemProfile profile;
  std::string ended;
};

TEST_F(SingleRunTest, ASoundSystemGivesItsDocumentWithoutACpuProbe) {
  EXPECT_EQ(Run("CLIENT=100"), 0);
  EXPECT_EQ(host.out.rfind("\n<Prtg>\n\n<Text>(PRD) Sys-Usage Client[100]: Active Users=1", 0), 0u);
  EXPECT_EQ(backend.calls, (std::vector<std::string>{"InstallErrorHandler", "Open PRD",
                                                     "Call THUSRINFO", "Close", "DiscardTrace"}));
  EXPECT_EQ(backend.lastRequest.hostname, "prdhost");
}

TEST_F(SingleRunTest, CheckListingInsteadOfTheDocument) {
  EXPECT_EQ(Run("/CHECK"), 0);
  EXPECT_EQ(host.out.rfind(" * Active Users.....:  1\n", 0), 0u);
}

TEST_F(SingleRunTest, AFailedQueryEndsWithItsTextAndTheLibrarysDetail) {
  backend.script.usage.outcome = kOutcomeFailure;
  EXPECT_EQ(Run(""), 2);
  EXPECT_EQ(ended,
            "<Prtg>\n<Error>1</Error>\n<Text>Error 1014: RFC-Failure raised ! - the fake's last "
            "error</Text>\n</Prtg>\n");
  EXPECT_EQ(host.out, "");

  backend.script.opens = false;
  EXPECT_EQ(Run(""), 2);
  EXPECT_NE(ended.find("Error 1011: RFC-Open for PRD failed !"), std::string::npos);
}

TEST_F(SingleRunTest, AnAbortedOperationEndsWithTheReportOnly) {
  backend.script.usage.aborted = true;
  backend.script.usage.report.operation = "ItDelete USR_TABL";
  EXPECT_EQ(Run(""), 1);
  EXPECT_EQ(ended.rfind("RFC error\noperation/code  : ItDelete USR_TABL\n", 0), 0u);
  EXPECT_EQ(host.out, "");
}

TEST_F(SingleRunTest, TheLibrarysOwnErrorIsReportedByItsHandler) {
  backend.script.abortsInUserList = true;
  backend.script.abortReport.operation = "RfcReceive";
  Invocation inv = StartUp(host, {"tolvaran", "PRD"}, 0);
  EXPECT_THROW(RunSingleSystem(host, inv, ReportSettings(), "PRD.P00", profile, backend),
               FakeLibraryAbort);
  EXPECT_EQ(host.out.rfind("RFC error\noperation/code  : RfcReceive\n", 0), 0u);
}

TEST_F(SingleRunTest, ProgressLinesAndTheConfigurationFileNote) {
  backend.script.configFile = true;
  EXPECT_EQ(Run("#"), 0);
  const std::string start = "* " + host.TimeOfDay() + " SAP Tolvaran " + kVersionText + "\n";
  EXPECT_EQ(host.out.rfind(start, 0), 0u);
  EXPECT_NE(host.out.find(" State=Executing\n* SapRfc.Ini.......: PRD<\n\n<Prtg>"),
            std::string::npos)
      << host.out;
  EXPECT_NE(host.out.find("now processed...\n"), std::string::npos);

  // Without progress lines the note is not written.
  host.out.clear();
  EXPECT_EQ(Run(""), 0);
  EXPECT_EQ(host.out.find("SapRfc.Ini"), std::string::npos);
}

}  // namespace
}  // namespace tolvaran
