// Both backends against both simulated libraries, loaded as the program
// loads them: a system of several application servers, its server list,
// each connection's own instance, and an opening that reaches one given
// server.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "measure/host_cpu.h"
#include "measure/lock_entries.h"
#include "measure/logon_time.h"
#include "measure/measurement.h"
#include "measure/short_dumps.h"
#include "measure/update_errors.h"
#include "measure/user_list.h"
#include "measure/work_processes.h"
#include "platform/host.h"
#include "platform/library_files.h"
#include "rfc/classic/classic_backend.h"
#include "rfc/nwrfc/nwrfc_backend.h"
#include "rfc/server_list.h"
#include "support/scratch_host.h"

namespace tolvaran {
namespace {

// The user names of the user list's rows.
class Users final : public RowSink {
 public:
  void Text(std::size_t field, std::string_view bytes) override {
    if (field == kFieldUser) names.push_back(std::string(bytes));
  }
  void Integer(std::size_t, std::int64_t) override {}
  void EndRow() override {}
  std::vector<std::string> names;
};

const char kLandscape[] =
    "[PRD]\n"
    "host = prdapp1\n"
    "sysnr = 1\n"
    "client = 100\n"
    "user = SAPMON\n"
    "password = Secret99\n"
    "users = app1.txt\n"
    "clock = 20261210 001500\n"
    "rfc_read_table_order = reverse\n"
    "snap = DATUM=20261209 UZEIT=235000 SEQNO=000 FLIST=FC008TIME_OUTAP004TEST\n"
    "snap = DATUM=20261209 UZEIT=235000 SEQNO=001 FLIST=FC008TIME_OUT\n"
    "snap = DATUM=20261210 UZEIT=001000 SEQNO=000 FLIST=FC008TIME_OUT\n"
    "snap = DATUM=20261209 UZEIT=230000 SEQNO=000 FLIST=FC008TOO_OLD_\n"
    "vbhdr = VBKEY=K1 VBRC=0\n"
    "vbhdr = VBKEY=K2 VBRC=1\n"
    "wp = WP_NO=0 WP_ITYPE=1 WP_TYP=DIA WP_ISTATUS=4 WP_STATUS=Running WP_STATUS@D=läuft\n"
    "wp = WP_NO=1 WP_ITYPE=1 WP_TYP=DIA WP_ISTATUS=2 WP_STATUS=Waiting\n"
    "enq = GNAME=VBAK GCLIENT=100 GTDATE=20261209 GTTIME=231500\n"
    "[PRD/prd_app2_PRD_02]\n"
    "host = prd_app2\n"
    "sysnr = 2\n"
    "users = app2.txt\n"
    "[PRD/oddname]\n"
    "host = prdapp3\n"
    "sysnr = 3\n"
    "serv = sapms\n"
    "password = other\n"
    "[QAS]\n"
    "host = qashost\n"
    "sysnr = 10\n"
    "client = 200\n"
    "user = SAPMON\n"
    "password = Secret99\n"
    "th_server_list = exception NO_SERVER_LIST\n";

// A simulated library's file beside the build's other outputs, from the
// directory of this test program.
std::string SimLibrary(const std::string& testProgram, const char* name) {
  const char separator = testProgram.find('\\') != std::string::npos ? '\\' : '/';
  std::string path = testProgram.substr(0, testProgram.find_last_of("\\/") + 1);
  for (char c : std::string(TOLVARAN_SIM_DIR)) path += c == '/' ? separator : c;
  if (!path.empty() && path.back() != separator) path += separator;
  return path + name;
}

// The parameter: true for the NetWeaver library.
class SimServersTest : public ScratchDirTest, public ::testing::WithParamInterface<bool> {
 protected:
  void SetUp() override {
    ScratchDirTest::SetUp();
    Write("SapSim.ini", kLandscape);
    Write("app1.txt", "100;ALICE;SM04;t1;1;1\n100;BOB;SM04;t2;1;1\n");
    Write("app2.txt", "100;CAROL;VA01;t3;1;1\n");
    const std::string file =
        SimLibrary(host_->ExecutablePath(), GetParam() ? TOLVARAN_NWRFC_SIM : TOLVARAN_CLASSIC_SIM);
    // The NetWeaver library imports its companion from its own directory,
    // which is not this test program's.
    std::string why;
    void* library = LoadLibraryFile(file, GetParam(), &why);
    ASSERT_NE(library, nullptr) << file << ": " << why;
    if (GetParam()) {
      NetWeaverLibrary lib;
      ASSERT_TRUE(BindNetWeaverLibrary(library, &lib));
      backend = MakeNetWeaverBackend(*host_, lib);
    } else {
      ClassicLibrary lib;
      ASSERT_TRUE(BindClassicLibrary(library, &lib));
      backend = MakeClassicBackend(*host_, lib);
    }
  }

  ConnectionRequest Request(const char* host, int number) {
    ConnectionRequest r;
    r.destination = "PRD";
    r.client = "100";
    r.user = "SAPMON";
    r.password = "Secret99";
    r.language = "E";
    r.mode = "R/3";
    r.hostname = host;
    r.systemNumber = number;
    return r;
  }

  std::unique_ptr<RfcBackend> backend;
};

TEST_P(SimServersTest, TheServerListHoldsTheSystemThenItsInstances) {
  ConnectionId connection = backend->Open(Request("prdapp1", 1), nullptr);
  ASSERT_NE(connection, 0u);
  std::vector<ServerEntry> servers;
  ASSERT_EQ(FetchServerList(*backend, connection, &servers).outcome, kOutcomeOk);
  ASSERT_EQ(servers.size(), 3u);
  EXPECT_EQ(servers[0].name, "prdapp1_PRD_01");
  EXPECT_EQ(servers[0].host, "prdapp1");
  EXPECT_EQ(servers[0].service, "sapdp01");
  EXPECT_EQ(servers[1].name, "prd_app2_PRD_02");
  EXPECT_EQ(servers[1].host, "prd_app2");
  EXPECT_EQ(servers[1].service, "sapdp02");
  EXPECT_EQ(servers[2].name, "oddname");
  EXPECT_EQ(servers[2].host, "prdapp3");
  EXPECT_EQ(servers[2].service, "sapms");
  std::string name;
  ASSERT_EQ(backend->FetchInstanceName(connection, &name).outcome, kOutcomeOk);
  EXPECT_EQ(name, "prdapp1_PRD_01");
  backend->Close(connection);
}

TEST_P(SimServersTest, AnOpeningToAnInstancesHostAndNumberReachesThatInstance) {
  ConnectionRequest request = Request("prdapp1", 1);
  request.server = ServerTarget{"prd_app2", 2};
  ConnectionId connection = backend->Open(request, nullptr);
  ASSERT_NE(connection, 0u);
  std::string name;
  ASSERT_EQ(backend->FetchInstanceName(connection, &name).outcome, kOutcomeOk);
  EXPECT_EQ(name, "prd_app2_PRD_02");
  Users users;
  ASSERT_EQ(
      backend->CallTable(connection, UserList().Calls(MeasureContext{}).front(), users).outcome,
      kOutcomeOk);
  EXPECT_EQ(users.names, std::vector<std::string>{"CAROL       "});
  // Every instance lists the same servers.
  std::vector<ServerEntry> servers;
  ASSERT_EQ(FetchServerList(*backend, connection, &servers).outcome, kOutcomeOk);
  EXPECT_EQ(servers.size(), 3u);
  backend->Close(connection);

  // An instance's own password refuses the system's logon.
  request.server = ServerTarget{"prdapp3", 3};
  EXPECT_EQ(backend->Open(request, nullptr), 0u);
}

TEST_P(SimServersTest, ASystemWithoutInstancesListsItselfAndCanRefuseTheList) {
  ConnectionRequest request = Request("qashost", 10);
  request.client = "200";
  ConnectionId connection = backend->Open(request, nullptr);
  ASSERT_NE(connection, 0u);
  std::string name;
  ASSERT_EQ(backend->FetchInstanceName(connection, &name).outcome, kOutcomeOk);
  EXPECT_EQ(name, "qashost_QAS_10");
  std::vector<ServerEntry> servers;
  QueryResult result = FetchServerList(*backend, connection, &servers);
  EXPECT_EQ(result.outcome, kOutcomeException);
  EXPECT_EQ(result.exceptionText, "NO_SERVER_LIST");
  EXPECT_TRUE(servers.empty());
  backend->Close(connection);

  Write("SapSim.ini", std::string(kLandscape) + "th_server_list = ok\n");
  connection = backend->Open(request, nullptr);
  ASSERT_EQ(FetchServerList(*backend, connection, &servers).outcome, kOutcomeOk);
  ASSERT_EQ(servers.size(), 1u);
  EXPECT_EQ(servers[0].name, "qashost_QAS_10");
  EXPECT_EQ(servers[0].host, "qashost");
  EXPECT_EQ(servers[0].service, "sapdp10");
  backend->Close(connection);
}

INSTANTIATE_TEST_SUITE_P(BothLibraries, SimServersTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return std::string(info.param ? "NetWeaver" : "Classic");
                         });

TEST_P(SimServersTest, HealthMeasurementsReadTheirTablesByTheFieldsLayoutAndTheSystemsClock) {
  ConnectionId connection = backend->Open(Request("prdapp1", 1), nullptr);
  ASSERT_NE(connection, 0u);
  MeasureContext context;
  context.windowMinutes = 60;
  MeasuredValues reading;
  // The window 23:15 to 00:15 across midnight; FIELDS come back reversed.
  QueryResult result =
      MeasureOver(*backend, connection, ShortDumpsMeasurement(), context, &reading);
  ASSERT_EQ(result.outcome, kOutcomeOk) << result.exceptionText << result.report.operation;
  EXPECT_EQ(reading.values, (std::vector<std::int64_t>{2, 2}));
  EXPECT_EQ(reading.notes[0], "TIME_OUT");
  result = MeasureOver(*backend, connection, UpdateErrorsMeasurement(), context, &reading);
  ASSERT_EQ(result.outcome, kOutcomeOk) << result.exceptionText << result.report.operation;
  EXPECT_EQ(reading.values, (std::vector<std::int64_t>{1}));
  result = MeasureOver(*backend, connection, HostCpuMeasurement(), context, &reading);
  ASSERT_EQ(result.outcome, kOutcomeOk) << result.report.operation;
  EXPECT_EQ(reading.values, (std::vector<std::int64_t>{17, 12, 5, 83, 35, 30, 28, 4}));
  result = MeasureOver(*backend, connection, LogonTimeMeasurement(), context, &reading);
  EXPECT_EQ(result.outcome, kOutcomeOk);
  // WPINFO and SEQG3 have no published layout: the classic library is told
  // the system dictionary's.
  result = MeasureOver(*backend, connection, WorkProcessesMeasurement(), context, &reading);
  ASSERT_EQ(result.outcome, kOutcomeOk) << result.report.operation;
  EXPECT_EQ(reading.values[0], 2);
  EXPECT_EQ(reading.values[1], 1);
  result = MeasureOver(*backend, connection, LockEntriesMeasurement(), context, &reading);
  ASSERT_EQ(result.outcome, kOutcomeOk) << result.report.operation;
  EXPECT_EQ(reading.values, (std::vector<std::int64_t>{1, 60}));
  backend->Close(connection);
}

}  // namespace
}  // namespace tolvaran
