// The classic library behind RfcBackend: the server list, the connection's
// own instance, and opening one given application server, against the
// fake library in tests/support.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "rfc/classic/classic_backend.h"
#include "rfc/classic/classic_layout.h"
#include "rfc/server_list.h"
#include "support/fake_classic_library.h"
#include "support/fake_host.h"

namespace tolvaran {
namespace {

class ClassicServersTest : public ::testing::Test {
 protected:
  void SetUp() override { backend = MakeClassicBackend(host, ResetFakeClassic()); }
  void TearDown() override { EXPECT_EQ(fake().faults, std::vector<std::string>{}); }

  static FakeClassicState& fake() { return FakeClassic(); }

  FakeHost host;
  std::unique_ptr<RfcBackend> backend;
};

// ----- TH_SERVER_LIST -------------------------------------------------------

TEST_F(ClassicServersTest, TheListIsCalledForActiveServersWithAnMsxxlistTable) {
  std::vector<ServerEntry> servers;
  EXPECT_EQ(FetchServerList(*backend, 7, &servers).outcome, kOutcomeOk);
  EXPECT_EQ(FetchServerList(*backend, 7, &servers).outcome, kOutcomeOk);

  ASSERT_EQ(fake().installs.size(), 1u) << "installed once per backend";
  EXPECT_EQ(fake().installs[0].name, "MSXXLIST");
  ASSERT_EQ(fake().calls.size(), 2u);
  const FakeCall& call = fake().calls[0];
  EXPECT_EQ(call.function, "TH_SERVER_LIST");
  ASSERT_EQ(call.exporting.size(), 1u);
  EXPECT_EQ(call.exporting[0].name, "ACTIVE_SERVER");
  EXPECT_EQ(call.exporting[0].type, kRfcTypeInt);
  EXPECT_EQ(call.exporting[0].leng, 4u);
  EXPECT_EQ(call.exporting[0].bytes, Int4(1));
  ASSERT_EQ(call.tables.size(), 1u);
  EXPECT_EQ(call.tables[0].name, "LIST");
  ASSERT_EQ(fake().tables.size(), 2u);
  EXPECT_EQ(fake().tables[0]->leng, 100u);
  EXPECT_EQ(FakeTablesAlive(), 0u);
}

TEST_F(ClassicServersTest, RowsComeInTheSystemsOrderWithoutTheirFillingBlanks) {
  fake().serverRows = {MsxxlistRow("prdapp1_PRD_01", "prdapp1", "sapdp01"),
                       MsxxlistRow("prd_app2_PRD_02", "prd_app2", "sapdp02"),
                       MsxxlistRow(std::string(40, 'N'), std::string(32, 'H'), "")};
  std::vector<ServerEntry> servers;
  ASSERT_EQ(FetchServerList(*backend, 7, &servers).outcome, kOutcomeOk);
  ASSERT_EQ(servers.size(), 3u);
  EXPECT_EQ(servers[0].name, "prdapp1_PRD_01");
  EXPECT_EQ(servers[0].host, "prdapp1");
  EXPECT_EQ(servers[0].service, "sapdp01");
  EXPECT_EQ(servers[1].name, "prd_app2_PRD_02");
  EXPECT_EQ(servers[1].host, "prd_app2");
  EXPECT_EQ(servers[2].name, std::string(40, 'N'));
  EXPECT_EQ(servers[2].host, std::string(32, 'H'));
  EXPECT_EQ(servers[2].service, "");
}

TEST_F(ClassicServersTest, AnExceptionIsReturnedByNameWithoutRows) {
  fake().serverRows = {MsxxlistRow("prdapp1_PRD_01", "prdapp1", "sapdp01")};
  fake().serverListOutcome = kRfcException;
  fake().exceptionName = "NO_SERVER_LIST";
  std::vector<ServerEntry> servers;
  QueryResult result = FetchServerList(*backend, 7, &servers);
  EXPECT_EQ(result.outcome, kOutcomeException);
  EXPECT_EQ(result.exceptionText, "NO_SERVER_LIST");
  EXPECT_FALSE(result.aborted);
  EXPECT_TRUE(servers.empty());
  EXPECT_EQ(FakeTablesAlive(), 0u);
}

TEST_F(ClassicServersTest, ARowThatCannotBeHadAbortsNamingTheTable) {
  fake().serverRows = {MsxxlistRow("a_PRD_01", "a", "sapdp01"),
                       MsxxlistRow("b_PRD_02", "b", "sapdp02")};
  fake().getLineFailsAt = 2;
  std::vector<ServerEntry> servers;
  QueryResult result = FetchServerList(*backend, 7, &servers);
  EXPECT_TRUE(result.aborted);
  EXPECT_EQ(result.report.operation, "ItGetLine LIST");
  EXPECT_EQ(servers.size(), 1u);
}

// ----- RFC_SYSTEM_INFO ------------------------------------------------------

TEST_F(ClassicServersTest, TheInstanceIsRfcdestOfTheSystemInfo) {
  fake().systemInfo = RfcsiRecord("prdapp2_PRD_02");
  std::string name = "unchanged";
  EXPECT_EQ(backend->FetchInstanceName(7, &name).outcome, kOutcomeOk);
  EXPECT_EQ(name, "prdapp2_PRD_02");
  ASSERT_EQ(fake().calls.size(), 1u);
  EXPECT_EQ(fake().calls[0].function, "RFC_SYSTEM_INFO");
  EXPECT_TRUE(fake().calls[0].exporting.empty());
  EXPECT_TRUE(fake().calls[0].tables.empty());
  ASSERT_EQ(fake().receives.size(), 1u);
  ASSERT_EQ(fake().receives[0].importing.size(), 1u);
  EXPECT_EQ(fake().receives[0].importing[0].name, "RFCSI_EXPORT");
  EXPECT_EQ(fake().receives[0].importing[0].type, kRfcTypeChar);
  EXPECT_EQ(fake().receives[0].importing[0].leng, kRfcsiLength);
  EXPECT_TRUE(fake().installs.empty()) << "a flat character structure needs no type";

  fake().systemInfo = RfcsiRecord(std::string(40, 'x'));
  backend->FetchInstanceName(7, &name);
  EXPECT_EQ(name, std::string(32, 'x')) << "RFCDEST is 32 characters";
}

TEST_F(ClassicServersTest, AFailedSystemInfoLeavesTheNameAlone) {
  fake().systemInfo = RfcsiRecord("prdapp2_PRD_02");
  fake().systemInfoOutcome = kRfcSysException;
  fake().exceptionName = "RFC_NO_AUTHORITY";
  std::string name = "unchanged";
  QueryResult result = backend->FetchInstanceName(7, &name);
  EXPECT_EQ(result.outcome, kOutcomeSysException);
  EXPECT_EQ(result.exceptionText, "RFC_NO_AUTHORITY");
  EXPECT_EQ(name, "unchanged");
}

// ----- opening one application server ---------------------------------------

ConnectionRequest PrdRequest() {
  ConnectionRequest r;
  r.destination = "PRD";
  r.client = "100";
  r.user = "SAPMON";
  r.password = "Secret99";
  r.language = "E";
  r.mode = "R/3";
  r.hostname = "prdapp1";
  r.systemNumber = 1;
  r.gatewayHost = "prdgw";
  r.gatewayService = "sapgw01";
  r.server = ServerTarget{"prdapp3", 3};
  return r;
}

TEST_F(ClassicServersTest, AServerIsOpenedByItsHostAndNumberWithTheProfilesLogon) {
  for (const char* mode : {"R/3", "R/2"}) {
    SCOPED_TRACE(mode);
    ConnectionRequest request = PrdRequest();
    request.mode = mode;
    EXPECT_EQ(backend->Open(request, nullptr), fake().openResult);
    const FakeOpen& seen = fake().opens.back();
    EXPECT_EQ(seen.mode, 0);
    EXPECT_EQ(seen.hostname, "prdapp3");
    EXPECT_EQ(seen.sysnr, 3);
    // The profile's gateway belongs to its own server: the library takes
    // the target's.
    EXPECT_EQ(seen.gatewayHost, std::nullopt);
    EXPECT_EQ(seen.gatewayService, std::nullopt);
    EXPECT_EQ(seen.client, "100");
    EXPECT_EQ(seen.user, "SAPMON      ");
    EXPECT_EQ(seen.password, "Secret99  ");
    EXPECT_EQ(seen.language, "E");
  }
  EXPECT_TRUE(fake().openExes.empty());
}

TEST_F(ClassicServersTest, ADestinationsFileLendsItsGatewayAndIsNotInstalled) {
  host.Put("SapRfc.PRD",
           "DEST=OTHER\nGWHOST=wronggw\nDEST=PRD\nTYPE=A\nMSHOST=prdms\n"
           "GWHOST=prdgw2\nGWSERV=sapgw77\n");
  bool noted = false;
  EXPECT_EQ(backend->Open(PrdRequest(), [&] { noted = true; }), fake().openResult);
  EXPECT_TRUE(fake().openExes.empty());
  ASSERT_EQ(fake().opens.size(), 1u);
  EXPECT_EQ(fake().opens[0].hostname, "prdapp3");
  EXPECT_EQ(fake().opens[0].sysnr, 3);
  EXPECT_EQ(fake().opens[0].gatewayHost, "prdgw2");
  EXPECT_EQ(fake().opens[0].gatewayService, "sapgw77");
  EXPECT_EQ(fake().opens[0].language, "E");
  EXPECT_FALSE(noted);
  EXPECT_FALSE(host.Has("SapRfc.ini"));

  host.Put("SapRfc.PRD", "DEST=PRD\nASHOST=prdapp1\nSYSNR=01\n");
  backend->Open(PrdRequest(), nullptr);
  EXPECT_EQ(fake().opens.back().gatewayHost, std::nullopt) << "a section without a gateway";
}

}  // namespace
}  // namespace tolvaran
