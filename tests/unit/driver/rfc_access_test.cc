#include "driver/rfc_access.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "rfc/classic/classic_backend.h"
#include "support/fake_classic_library.h"
#include "support/fake_host.h"

namespace tolvaran {
namespace {

class RfcAccessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    rs->host = &host;
    SystemProfile& p = rs->profile;
    p.extCompany.Set("Demo Corp");
    p.destination.Set("PRD");
    p.logonClient.Set("100");
    p.user.Set("SAPMON");
    p.password.Set("Secret99");
    p.language.Set("E");
    p.mode.Set("R/3");
    p.hostname.Set("prdhost");
    p.systemNumber.Set("00");
    p.gatewayHost.Set("prdgw");
    p.gatewayService.Set("sapgw00");
  }

  FakeHost host;
  std::unique_ptr<RunState> rs = std::make_unique<RunState>();
};

// ----- the connection request ---------------------------------------------------

using ConnectionRequestTest = RfcAccessTest;

TEST_F(ConnectionRequestTest, CarriesTheProfilesValuesAsTheyAre) {
  ConnectionRequest r = ConnectionRequestFor(*rs);
  EXPECT_EQ(r.destination, "PRD");
  EXPECT_EQ(r.client, "100");
  EXPECT_EQ(r.user, "SAPMON");
  EXPECT_EQ(r.password, "Secret99");
  EXPECT_EQ(r.language, "E");
  EXPECT_EQ(r.mode, "R/3");
  EXPECT_EQ(r.hostname, "prdhost");
  EXPECT_EQ(r.systemNumber, 0);
  EXPECT_EQ(r.gatewayHost, "prdgw");
  EXPECT_EQ(r.gatewayService, "sapgw00");
}

TEST_F(ConnectionRequestTest, SystemNumberIsReadAsADecimalNumber) {
  struct Case {
    const char* text;
    int value;
  };
  const Case cases[] = {{"00", 0}, {"7a", 7},  {"12", 12}, {"  05", 5},
                        {"+3", 3}, {"-4", -4}, {"x9", 0},  {"99  ", 99}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    rs->profile.systemNumber.Set(c.text);
    EXPECT_EQ(ConnectionRequestFor(*rs).systemNumber, c.value);
  }
}

TEST_F(ConnectionRequestTest, AnEmptySystemNumberKeepsThePreviousProfilesValue) {
  rs->profile.systemNumber.Clear();
  EXPECT_EQ(ConnectionRequestFor(*rs).systemNumber, 0);  // nothing before: 0
  rs->profile.systemNumber.Set("07");
  EXPECT_EQ(ConnectionRequestFor(*rs).systemNumber, 7);
  rs->profile.systemNumber.Clear();
  EXPECT_EQ(ConnectionRequestFor(*rs).systemNumber, 7);
  rs->profile.systemNumber.Set("00");
  EXPECT_EQ(ConnectionRequestFor(*rs).systemNumber, 0);
}

TEST_F(ConnectionRequestTest, HostAndNumberMarkersInTheParametersLeaveThemUnset) {
  rs->profile.systemNumber.Set("05");
  ConnectionRequestFor(*rs);
  rs->params = ParseParameters("/CHECK,HOST=OTHERHOST,NO=09");
  rs->profile.systemNumber.Set("09");
  ConnectionRequest r = ConnectionRequestFor(*rs);
  EXPECT_EQ(r.hostname, "");
  EXPECT_EQ(r.systemNumber, 5);
  // Each marker on its own.
  rs->params = ParseParameters(",HOST=X");
  r = ConnectionRequestFor(*rs);
  EXPECT_EQ(r.hostname, "");
  EXPECT_EQ(r.systemNumber, 9);
  rs->params = ParseParameters(",NO=01");
  rs->profile.systemNumber.Set("03");
  r = ConnectionRequestFor(*rs);
  EXPECT_EQ(r.hostname, "prdhost");
  EXPECT_EQ(r.systemNumber, 9);
}

TEST_F(ConnectionRequestTest, OpeningNotesTheConfigurationFileOnlyWithProgressLines) {
  rs->backend = MakeClassicBackend(host, ResetFakeClassic());
  host.Put("SapRfc.PRD", "DEST=PRD\n");
  EXPECT_EQ(OpenSystemConnection(*rs), 23u);
  EXPECT_EQ(host.out, "");
  rs->verbose = true;
  OpenSystemConnection(*rs);
  EXPECT_EQ(host.out, "* SapRfc.Ini.......: PRD<\n");
  // Not when the library is opened by the options record.
  host.out.clear();
  rs->profile.destination.Set("QAS");
  EXPECT_EQ(OpenSystemConnection(*rs), 17u);
  EXPECT_EQ(host.out, "");
  EXPECT_EQ(FakeClassic().faults, std::vector<std::string>{});
}

// ----- the failure report -------------------------------------------------------

TEST(PrintFailureReportTest, PrintsTheLabelledBlockAndTheAbortLines) {
  FakeHost host;
  FailureReport report{"RfcOpen", "RFC_ERROR_COMMUNICATION", "CONNECT to SAP gateway failed",
                       "partner 'prdhost:sapgw00' not reached", "rc=-1 (partner not reached)"};
  PrintFailureReport(host, report);
  EXPECT_EQ(host.out,
            "RFC error\n"
            "operation/code  : RfcOpen\n"
            "key             : RFC_ERROR_COMMUNICATION\n"
            "status          : CONNECT to SAP gateway failed\n"
            "message         : partner 'prdhost:sapgw00' not reached\n"
            "internal status : rc=-1 (partner not reached)\n"
            "\n"
            "* Programm aborted...\n"
            "* Error at EoXput-File...\n");
}

TEST(PrintFailureReportTest, EmptyAndLongTextsArePrintedAsTheyAre) {
  FakeHost host;
  PrintFailureReport(host, FailureReport{"ItCreate USR_TABL", "", "", "", ""});
  EXPECT_EQ(host.out,
            "RFC error\n"
            "operation/code  : ItCreate USR_TABL\n"
            "key             : \n"
            "status          : \n"
            "message         : \n"
            "internal status : \n"
            "\n"
            "* Programm aborted...\n"
            "* Error at EoXput-File...\n");

  host.out.clear();
  const std::string operation(200, 'o');
  const std::string message(255, 'm');
  PrintFailureReport(host, FailureReport{operation, "k", "s", message, "i"});
  EXPECT_EQ(host.out,
            "RFC error\noperation/code  : " + operation +
                "\nkey             : k\nstatus          : s\nmessage         : " + message +
                "\ninternal status : i\n\n* Programm aborted...\n"
                "* Error at EoXput-File...\n");
}

TEST_F(RfcAccessTest, EndWithFailureReportEndsTheRunWithStatusOneAndNoDocument) {
  rs->resultBuffer.Set("Error 1014: RFC-Failure raised !");
  try {
    EndWithFailureReport(*rs, FailureReport{"ItDelete USR_TABL", "K", "", "", ""});
    ADD_FAILURE() << "EndWithFailureReport returned";
  } catch (const RunEnd& end) {
    EXPECT_EQ(end.status, 1);
    EXPECT_FALSE(end.writeResultBuffer);
  }
  EXPECT_EQ(
      host.out.rfind("RFC error\noperation/code  : ItDelete USR_TABL\nkey             : K\n", 0),
      0u);
}

// ----- a library that cannot be loaded --------------------------------------------

TEST(LibraryLoadFailureTest, NamesTheFileAndWhyWithinTheMessagesRoom) {
  RfcLibrarySearch search;
  search.names = {"librfccm.so", "librfc32.so", "libsapnwrfc.so"};
  EXPECT_EQ(LibraryLoadFailure(search),
            "Error 1010: RFC library librfc32 could not be loaded: no librfccm.so, librfc32.so or "
            "libsapnwrfc.so found !");

  search.refused.push_back(
      {"/opt/mon/librfc32.so", "librfc32.so", false, "wrong ELF class (32-bit)"});
  search.refused.push_back({"/opt/mon/libsapnwrfc.so", "libsapnwrfc.so", true, "file too short"});
  EXPECT_EQ(LibraryLoadFailure(search),
            "Error 1010: RFC library librfc32.so could not be loaded: wrong ELF class (32-bit) !");

  // A long loader message is cut; the message keeps its end.
  search.refused.front().reason =
      "libicuuc.so.50: cannot open shared object file: " + std::string(200, 'x');
  std::string message = LibraryLoadFailure(search);
  EXPECT_EQ(message.size(), 127u);
  EXPECT_EQ(message.substr(0, 57), "Error 1010: RFC library librfc32.so could not be loaded: ");
  EXPECT_EQ(message.substr(125), " !");
}

TEST(LibraryVersionLinesTest, SaysWhichFileWasFoundButNotLoadable) {
  RfcLibrarySearch search;
  search.names = {"librfc32.dll", "sapnwrfc.dll"};
  EXPECT_EQ(LibraryVersionLines(search),
            "RFC library: none found (librfc32.dll or sapnwrfc.dll)\n");
  search.refused.push_back(
      {"C:\\Mon\\librfc32.dll", "librfc32.dll", false, "Bad EXE format for librfc32.dll"});
  EXPECT_EQ(LibraryVersionLines(search),
            "RFC library: C:\\Mon\\librfc32.dll found but not loadable: Bad EXE format for "
            "librfc32.dll\n");
}

}  // namespace
}  // namespace tolvaran
