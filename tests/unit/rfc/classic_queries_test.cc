// The classic library behind RfcBackend: the two queries, the failure
// report and the error handler, against the fake library in tests/support.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "rfc/classic/classic_backend.h"
#include "support/fake_classic_library.h"
#include "support/fake_host.h"
#include "support/user_list_rows.h"

namespace tolvaran {
namespace {

// The user list's rows as sessions, field by field as the backend hands
// them over.
class Sessions final : public RowSink {
 public:
  void Text(std::size_t field, std::string_view bytes) override {
    char* const fields[] = {row.mandt, row.bname, row.tcode, row.term};
    const std::size_t widths[] = {sizeof row.mandt, sizeof row.bname, sizeof row.tcode,
                                  sizeof row.term};
    ASSERT_LT(field, 4u);
    ASSERT_EQ(bytes.size(), widths[field]);
    std::memcpy(fields[field], bytes.data(), bytes.size());
  }
  void Integer(std::size_t field, std::int64_t value) override {
    (field == kFieldExternalModes ? row.externalModes : row.internalModes) =
        static_cast<std::uint32_t>(value);
  }
  void EndRow() override { list.push_back(row); }
  std::vector<Session> list;

 private:
  Session row = {};
};

// The user list's one call.
TableCall UserListCall() { return UserList().Calls(MeasureContext{}).front(); }

class ClassicBackendTest : public ::testing::Test {
 protected:
  void SetUp() override { backend = MakeClassicBackend(host, ResetFakeClassic()); }
  void TearDown() override { EXPECT_EQ(fake().faults, std::vector<std::string>{}); }

  static FakeClassicState& fake() { return FakeClassic(); }

  QueryResult Fetch(ConnectionId connection = 5) {
    return backend->CallTable(connection, UserListCall(), sink);
  }

  FakeHost host;
  std::unique_ptr<RfcBackend> backend;
  Sessions sink;
};

void ExpectFields(const FakeInstall& installed, const std::vector<FakeField>& expected) {
  ASSERT_EQ(installed.count, expected.size());
  ASSERT_EQ(installed.fields.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(expected[i].name);
    EXPECT_EQ(installed.fields[i].name, expected[i].name);
    EXPECT_EQ(installed.fields[i].type, expected[i].type);
    EXPECT_EQ(installed.fields[i].length, expected[i].length);
    EXPECT_EQ(installed.fields[i].decimals, 0u);
    EXPECT_EQ(installed.fields[i].offset, 0u);
  }
}

// The report the fake's last error gives for `operation`.
void ExpectReport(const QueryResult& result, const std::string& operation) {
  EXPECT_TRUE(result.aborted);
  EXPECT_EQ(result.report.operation, operation);
  EXPECT_EQ(result.report.key, "KEY-7");
  EXPECT_EQ(result.report.status, "STATUS-7");
  EXPECT_EQ(result.report.message, "MESSAGE-7");
  EXPECT_EQ(result.report.internalStatus, "INTSTAT-7");
}

std::string Text(const char* field, std::size_t size) { return std::string(field, size); }

// ----- the user list ------------------------------------------------------------

using FetchSessionsTest = ClassicBackendTest;

TEST_F(FetchSessionsTest, InstallsUinfoOnceAndCallsThusrinfoWithTheUserTable) {
  EXPECT_EQ(Fetch(41).outcome, kOutcomeOk);
  EXPECT_EQ(Fetch(42).outcome, kOutcomeOk);

  ASSERT_EQ(fake().installs.size(), 1u);
  EXPECT_EQ(fake().installs[0].name, "UINFO");
  ExpectFields(fake().installs[0], {{"TID", 8, 4, 0, 0},
                                    {"MANDT", 0, 3, 0, 0},
                                    {"BNAME", 0, 12, 0, 0},
                                    {"TCODE", 0, 20, 0, 0},
                                    {"TERM", 0, 20, 0, 0},
                                    {"ZEIT", 0, 8, 0, 0},
                                    {"MASTER", 0, 12, 0, 0},
                                    {"HOSTADR", 4, 4, 0, 0},
                                    {"TRACE", 10, 1, 0, 0},
                                    {"EXTMODI", 8, 4, 0, 0},
                                    {"INTMODI", 8, 4, 0, 0}});

  ASSERT_EQ(fake().tables.size(), 2u);
  ASSERT_EQ(fake().calls.size(), 2u);
  ASSERT_EQ(fake().receives.size(), 2u);
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE(i);
    const FakeTable& table = *fake().tables[i];
    EXPECT_EQ(table.name, "USR_TABL");
    EXPECT_EQ(table.leng, 92u);
    EXPECT_EQ(table.occu, 0u);
    EXPECT_EQ(table.memo, 0u);
    EXPECT_TRUE(table.deleted);

    const FakeCall& call = fake().calls[i];
    EXPECT_EQ(call.handle, static_cast<RfcHandle>(41 + i));
    EXPECT_EQ(call.function, "THUSRINFO");
    EXPECT_TRUE(call.exporting.empty());
    ASSERT_EQ(call.tables.size(), 1u);
    const FakeTableRef& t = call.tables[0];
    EXPECT_EQ(t.name, "USR_TABL");
    EXPECT_EQ(t.nlen, 8u);
    EXPECT_EQ(t.type, 100u);
    EXPECT_EQ(t.leng, 0u);
    EXPECT_EQ(t.ithandle, &table);
    EXPECT_EQ(t.itmode, 0);
    EXPECT_EQ(t.newitab, 0);

    const FakeReceive& receive = fake().receives[i];
    EXPECT_EQ(receive.handle, call.handle);
    EXPECT_TRUE(receive.importing.empty());
    ASSERT_EQ(receive.tables.size(), 1u);
    EXPECT_EQ(receive.tables[0].ithandle, &table);
    EXPECT_EQ(receive.tables[0].type, 100u);
    EXPECT_TRUE(receive.exceptionStartedNull);
  }
}

TEST_F(FetchSessionsTest, AsksForTheCountBeforeEveryRowAndDeletesTheTableLast) {
  fake().userRows = SampleUserRows();
  Fetch();
  EXPECT_EQ(fake().trail, (std::vector<std::string>{
                              "ItCreate USR_TABL", "RfcInstallStructure UINFO", "RfcCall THUSRINFO",
                              "RfcReceive", "ItFill", "ItGetLine 1", "ItFill", "ItGetLine 2",
                              "ItFill", "ItGetLine 3", "ItFill", "ItDelete USR_TABL"}));
  EXPECT_EQ(sink.list.size(), 3u);
  fake().trail.clear();
  fake().userRows.clear();
  Fetch();
  EXPECT_EQ(fake().trail, (std::vector<std::string>{"ItCreate USR_TABL", "RfcCall THUSRINFO",
                                                    "RfcReceive", "ItFill", "ItDelete USR_TABL"}));
  EXPECT_EQ(sink.list.size(), 3u);
  EXPECT_EQ(FakeTablesAlive(), 0u);
}

TEST_F(FetchSessionsTest, HandsOverEachRowsFieldsAsTheyLieInTheRow) {
  fake().userRows = {UserRow("100", "MEIER", "VA01", "PC01", 2, 3),
                     UserRow(std::string("2\0", 2), "SCHULZ", "", "", 0xFFFFFFFFu, 70000)};
  ASSERT_EQ(Fetch().outcome, kOutcomeOk);
  ASSERT_EQ(sink.list.size(), 2u);
  const Session& a = sink.list[0];
  EXPECT_EQ(Text(a.mandt, 3), "100");
  EXPECT_EQ(Text(a.bname, 12), "MEIER       ");
  EXPECT_EQ(Text(a.tcode, 20), "VA01" + std::string(16, ' '));
  EXPECT_EQ(Text(a.term, 20), "PC01" + std::string(16, ' '));
  EXPECT_EQ(a.externalModes, 2u);
  EXPECT_EQ(a.internalModes, 3u);
  const Session& b = sink.list[1];
  EXPECT_EQ(Text(b.mandt, 3), std::string("2\0 ", 3));
  EXPECT_EQ(Text(b.bname, 12), "SCHULZ      ");
  EXPECT_EQ(Text(b.tcode, 20), std::string(20, ' '));
  EXPECT_EQ(b.externalModes, 0xFFFFFFFFu);
  EXPECT_EQ(b.internalModes, 70000u);
}

TEST_F(FetchSessionsTest, EachBackendInstallsItsOwnType) {
  Fetch();
  FakeHost otherHost;
  ClassicLibrary lib = ResetFakeClassic();
  std::unique_ptr<RfcBackend> other = MakeClassicBackend(otherHost, lib);
  other->CallTable(1, UserListCall(), sink);
  other->CallTable(1, UserListCall(), sink);
  ASSERT_EQ(fake().installs.size(), 1u) << "the new backend installs once";
  EXPECT_EQ(fake().calls[1].tables[0].type, 100u);
}

TEST_F(FetchSessionsTest, AFailedCallIsReturnedWithoutReceiving) {
  fake().userRows = SampleUserRows();
  for (int result : {1, 7}) {
    SCOPED_TRACE(result);
    fake().callResult = result;
    fake().receives.clear();
    fake().fillCalls = 0;
    fake().deleted.clear();
    QueryResult r = Fetch();
    EXPECT_EQ(r.outcome, result);
    EXPECT_FALSE(r.aborted);
    EXPECT_EQ(r.exceptionText, "");
    EXPECT_TRUE(fake().receives.empty());
    EXPECT_EQ(fake().fillCalls, 0u);
    EXPECT_EQ(fake().deleted.size(), 1u);
  }
  EXPECT_TRUE(sink.list.empty());
}

TEST_F(FetchSessionsTest, FailedOutcomesReadNoRowsAndDeleteTheTable) {
  fake().userRows = SampleUserRows();
  for (int outcome : {int{kRfcFailure}, int{kRfcException}, int{kRfcSysException}, 9}) {
    SCOPED_TRACE(outcome);
    fake().userListOutcome = outcome;
    fake().fillCalls = 0;
    fake().deleted.clear();
    EXPECT_EQ(Fetch().outcome, outcome);
    EXPECT_EQ(fake().fillCalls, 0u);
    EXPECT_EQ(fake().deleted.size(), 1u);
  }
  EXPECT_TRUE(sink.list.empty());
}

TEST_F(FetchSessionsTest, ExceptionNamesAreKeptUpTo255Characters) {
  struct Case {
    int outcome;
    std::string name;
    std::string kept;
  };
  const std::string forty = "EXCEPTION_NAME_OF_EXACTLY_FORTY_CHARS_XY";
  const Case cases[] = {
      {kRfcException, forty, forty},
      {kRfcSysException, "SYSTEM_FAILURE", "SYSTEM_FAILURE"},
      {kRfcException, std::string(300, 'E'), std::string(255, 'E')},
      {kRfcOk, "IGNORED", ""},  // only exceptions carry a name
      {kRfcFailure, "IGNORED", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.outcome);
    fake().userListOutcome = c.outcome;
    fake().exceptionName = c.name;
    QueryResult r = Fetch();
    EXPECT_EQ(r.outcome, c.outcome);
    EXPECT_EQ(r.exceptionText, c.kept);
  }
}

TEST_F(FetchSessionsTest, TableAndInstallFailuresAbortWithTheOperation) {
  fake().createFails = true;
  ExpectReport(Fetch(), "ItCreate USR_TABL");
  EXPECT_TRUE(fake().calls.empty());
  EXPECT_TRUE(fake().installs.empty());
  fake().createFails = false;

  fake().installResult = 1;
  ExpectReport(Fetch(), "RfcInstallStructure");
  EXPECT_TRUE(fake().calls.empty());

  // A refused structure is not taken as installed: the next query tries
  // again.
  fake().installResult = 0;
  fake().userRows = SampleUserRows();
  fake().getLineFailsAt = 2;
  ExpectReport(Fetch(), "ItGetLine USR_TABL");
  EXPECT_EQ(fake().installs.size(), 2u);
  EXPECT_EQ(sink.list.size(), 1u) << "the rows before the failed one were handed over";
  fake().getLineFailsAt = 0;

  fake().deleteResult = 1;
  ExpectReport(Fetch(), "ItDelete USR_TABL");
  fake().userListOutcome = kRfcException;
  ExpectReport(Fetch(), "ItDelete USR_TABL");
}

// ----- the CPU probe ------------------------------------------------------------

using ProbeCpuTest = ClassicBackendTest;

TEST_F(ProbeCpuTest, CallsGetCpuAllWithItsParametersAndTable) {
  QueryResult result = backend->ProbeCpu(9);
  EXPECT_EQ(result.outcome, kOutcomeOk);
  EXPECT_FALSE(result.aborted);

  ASSERT_EQ(fake().tables.size(), 1u);
  const FakeTable& table = *fake().tables[0];
  EXPECT_EQ(table.name, "TF_CPU_ALL");
  EXPECT_EQ(table.leng, 48u);
  EXPECT_EQ(table.occu, 0u);
  EXPECT_EQ(table.memo, 0u);

  ASSERT_EQ(fake().installs.size(), 1u);
  EXPECT_EQ(fake().installs[0].name, "CPU_ALL");
  ExpectFields(fake().installs[0], {{"TYPE", 9, 2, 0, 0},
                                    {"SUBTYPE", 9, 2, 0, 0},
                                    {"SERIALNR", 9, 2, 0, 0},
                                    {"NBR_CPU", 8, 4, 0, 0},
                                    {"LOAD1_AVG", 8, 4, 0, 0},
                                    {"LOAD5_AVG", 8, 4, 0, 0},
                                    {"LOAD15_AVG", 8, 4, 0, 0},
                                    {"INT_SEC", 8, 4, 0, 0},
                                    {"SYSC_SEC", 8, 4, 0, 0},
                                    {"CS_SEC", 8, 4, 0, 0},
                                    {"USR_TOTAL", 8, 4, 0, 0},
                                    {"SYS_TOTAL", 8, 4, 0, 0},
                                    {"IDLE_TOTAL", 8, 4, 0, 0}});

  ASSERT_EQ(fake().calls.size(), 1u);
  const FakeCall& call = fake().calls[0];
  EXPECT_EQ(call.handle, 9u);
  EXPECT_EQ(call.function, "GET_CPU_ALL");
  ASSERT_EQ(call.exporting.size(), 2u);
  EXPECT_EQ(call.exporting[0].name, "LOCAL_REMOTE");
  EXPECT_EQ(call.exporting[0].nlen, 12u);
  EXPECT_EQ(call.exporting[0].type, 0u);
  EXPECT_EQ(call.exporting[0].leng, 6u);
  EXPECT_EQ(call.exporting[0].bytes, "LOCAL ");
  EXPECT_EQ(call.exporting[1].name, "LOGICAL_DESTINATION");
  EXPECT_EQ(call.exporting[1].nlen, 19u);
  EXPECT_EQ(call.exporting[1].type, 0u);
  EXPECT_EQ(call.exporting[1].leng, 32u);
  EXPECT_EQ(call.exporting[1].bytes, std::string(32, ' '));
  ASSERT_EQ(call.tables.size(), 1u);
  EXPECT_EQ(call.tables[0].name, "TF_CPU_ALL");
  EXPECT_EQ(call.tables[0].nlen, 10u);
  EXPECT_EQ(call.tables[0].type, 100u);
  EXPECT_EQ(call.tables[0].leng, 0u);
  EXPECT_EQ(call.tables[0].ithandle, &table);

  ASSERT_EQ(fake().receives.size(), 1u);
  const FakeReceive& receive = fake().receives[0];
  EXPECT_EQ(receive.handle, 9u);
  EXPECT_TRUE(receive.exceptionStartedNull);
  ASSERT_EQ(receive.tables.size(), 1u);
  EXPECT_EQ(receive.tables[0].ithandle, &table);
  struct Expected {
    const char* name;
    unsigned nlen, type, leng;
  };
  const Expected importing[] = {
      {"ACTIVEFLAG", 10, 8, 4},  {"DETAILSCOLL", 11, 8, 4},    {"DETAILSMODE", 11, 8, 4},
      {"DETAILSREQI", 11, 8, 4}, {"F_CPU_ALL_READ", 14, 0, 3}, {"INTERVAL", 8, 8, 4},
      {"LASTCOLLINT", 11, 8, 4}, {"LASTCOLLWRT", 11, 0, 25},   {"NORMCOLLINT", 11, 8, 4},
      {"OP_SYSTEM", 9, 0, 52},
  };
  ASSERT_EQ(receive.importing.size(), 10u);
  for (std::size_t i = 0; i < 10; ++i) {
    SCOPED_TRACE(importing[i].name);
    const FakeParam& p = receive.importing[i];
    EXPECT_EQ(p.name, importing[i].name);
    EXPECT_EQ(p.nlen, importing[i].nlen);
    EXPECT_EQ(p.type, importing[i].type);
    EXPECT_EQ(p.leng, importing[i].leng);
    ASSERT_NE(p.addr, nullptr);
    // Each value has a place of its own: none overlaps another.
    const char* begin = static_cast<const char*>(p.addr);
    for (std::size_t j = 0; j < i; ++j) {
      const char* other = static_cast<const char*>(receive.importing[j].addr);
      EXPECT_TRUE(begin + p.leng <= other || other + receive.importing[j].leng <= begin)
          << "overlaps " << receive.importing[j].name;
    }
  }
  EXPECT_EQ(fake().trail,
            (std::vector<std::string>{"ItCreate TF_CPU_ALL", "RfcInstallStructure CPU_ALL",
                                      "RfcCall GET_CPU_ALL", "RfcReceive", "ItDelete TF_CPU_ALL"}));
}

TEST_F(ProbeCpuTest, InstallsCpuAllOncePerBackend) {
  backend->ProbeCpu(1);
  backend->ProbeCpu(2);
  EXPECT_EQ(fake().installs.size(), 1u);
  EXPECT_EQ(fake().tables.size(), 2u);
  EXPECT_EQ(fake().deleted.size(), 2u);
  ASSERT_EQ(fake().calls.size(), 2u);
  EXPECT_EQ(fake().calls[1].tables[0].type, 100u);
  // The user list's structure is a different one.
  Fetch();
  ASSERT_EQ(fake().installs.size(), 2u);
  EXPECT_EQ(fake().installs[1].name, "UINFO");
  EXPECT_EQ(fake().calls[2].tables[0].type, 101u);
}

TEST_F(ProbeCpuTest, OutcomesAreReturnedAndTheTableIsDeletedAfterEach) {
  struct Case {
    int callResult;
    int outcome;
    int expected;
  };
  const Case cases[] = {{0, kRfcFailure, kRfcFailure},
                        {1, kRfcOk, 1},  // the call itself failed
                        {0, kRfcException, kRfcException},
                        {0, kRfcSysException, kRfcSysException},
                        {0, 7, 7},
                        {0, -1, -1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.callResult << "/" << c.outcome);
    fake().callResult = c.callResult;
    fake().cpuOutcome = c.outcome;
    fake().exceptionName = "NOT_FOUND";
    fake().deleted.clear();
    QueryResult r = backend->ProbeCpu(1);
    EXPECT_EQ(r.outcome, c.expected);
    EXPECT_FALSE(r.aborted);
    const bool named =
        c.callResult == 0 && (c.outcome == kRfcException || c.outcome == kRfcSysException);
    EXPECT_EQ(r.exceptionText, named ? "NOT_FOUND" : "");
    EXPECT_EQ(fake().deleted.size(), 1u);
  }
}

TEST_F(ProbeCpuTest, TableAndInstallFailuresAbortWithTheOperation) {
  fake().createFails = true;
  ExpectReport(backend->ProbeCpu(1), "ItCreate TF_CPU_ALL");
  EXPECT_TRUE(fake().calls.empty());
  // The report closes what the library may hold open: the null handle.
  EXPECT_EQ(fake().closed, std::vector<RfcHandle>{0});
  fake().createFails = false;

  fake().deleteResult = 1;
  ExpectReport(backend->ProbeCpu(1), "ItDelete TF_CPU_ALL");

  ClassicLibrary lib = ResetFakeClassic();
  std::unique_ptr<RfcBackend> fresh = MakeClassicBackend(host, lib);
  fake().installResult = 1;
  ExpectReport(fresh->ProbeCpu(1), "RfcInstallStructure");
  EXPECT_TRUE(fake().calls.empty());
}

// ----- the library's last error -------------------------------------------------

using LastErrorTest = ClassicBackendTest;

TEST_F(LastErrorTest, ReadsAZeroFilledRecordThenClosesTheNullHandle) {
  fake().errorKey = "RFC_ERROR_COMMUNICATION";
  fake().errorStatus = "CONNECT to SAP gateway failed";
  fake().errorMessage = "partner 'prdhost:sapgw00' not reached";
  fake().errorIntstat = "rc=-1 (partner not reached)";
  FailureReport report = backend->LastError("RfcOpen");
  EXPECT_EQ(report.operation, "RfcOpen");
  EXPECT_EQ(report.key, "RFC_ERROR_COMMUNICATION");
  EXPECT_EQ(report.status, "CONNECT to SAP gateway failed");
  EXPECT_EQ(report.message, "partner 'prdhost:sapgw00' not reached");
  EXPECT_EQ(report.internalStatus, "rc=-1 (partner not reached)");
  EXPECT_TRUE(fake().lastErrorRecordWasZero) << "the error record must be zero-filled";
  EXPECT_EQ(fake().trail, (std::vector<std::string>{"RfcLastError", "RfcClose 0"}));
}

TEST_F(LastErrorTest, WithoutAnErrorFromTheLibraryTheTextsAreEmpty) {
  // The table operations record no error: RfcLastError leaves the record
  // as it was given.
  fake().lastErrorResult = 1;
  fake().errorKey = fake().errorStatus = fake().errorMessage = fake().errorIntstat = "";
  FailureReport report = backend->LastError("ItCreate USR_TABL");
  EXPECT_EQ(report.operation, "ItCreate USR_TABL");
  EXPECT_EQ(report.key, "");
  EXPECT_EQ(report.status, "");
  EXPECT_EQ(report.message, "");
  EXPECT_EQ(report.internalStatus, "");
}

TEST_F(LastErrorTest, FieldsFilledToTheirLastByteAreTakenWhole) {
  // Each field's last byte is its terminator; the fake fills all before.
  fake().errorKey = std::string(32, 'k');
  fake().errorStatus = std::string(127, 's');
  fake().errorMessage = std::string(255, 'm');
  fake().errorIntstat = std::string(127, 'i');
  const std::string operation(200, 'o');
  FailureReport report = backend->LastError(operation);
  EXPECT_EQ(report.operation, operation);
  EXPECT_EQ(report.key, fake().errorKey);
  EXPECT_EQ(report.status, fake().errorStatus);
  EXPECT_EQ(report.message, fake().errorMessage);
  EXPECT_EQ(report.internalStatus, fake().errorIntstat);
}

TEST_F(LastErrorTest, TheFailureDetailComesFromTheTraceFile) {
  EXPECT_EQ(backend->FailureDetail(), " - Please Check Trace-File");
  host.Put("Dev_Rfc.Trc", "ERROR       partner not reached\n");
  EXPECT_EQ(backend->FailureDetail(), " - partner not reached");
  EXPECT_FALSE(host.Has("Dev_Rfc.Trc")) << "read once, then deleted";
  EXPECT_EQ(backend->Describe(), "classic");
}

// ----- the error handler ----------------------------------------------------------

FakeHost* abort_host = nullptr;

// Says on standard error what it got, for the death test to match.
void ReportToStderr(const FailureReport& report) {
  std::fprintf(stderr, "[%s|%s|%s|%s|%s|lock %s]\n", report.operation.c_str(), report.key.c_str(),
               report.status.c_str(), report.message.c_str(), report.internalStatus.c_str(),
               abort_host && abort_host->lock_held ? "held" : "free");
  std::fflush(stderr);
}

using ErrorHandlerTest = ClassicBackendTest;

TEST_F(ErrorHandlerTest, InstallsAHandlerAndNoAllocator) {
  backend->InstallErrorHandler(&ReportToStderr);
  ASSERT_EQ(fake().environments.size(), 1u);
  EXPECT_NE(fake().environments[0].errorhandler, nullptr);
  EXPECT_EQ(fake().environments[0].allocate, nullptr);
}

TEST_F(ErrorHandlerTest, AnErrorTheLibraryReportsEndsTheProcessWithTheReport) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  fake().abortIn = "RfcCall";
  fake().abortOperation = "RfcCall THUSRINFO";
  abort_host = &host;
  backend->InstallErrorHandler(&ReportToStderr);
  EXPECT_EXIT(Fetch(), ::testing::ExitedWithCode(1),
              "\\[RfcCall THUSRINFO\\|KEY-7\\|STATUS-7\\|MESSAGE-7\\|INTSTAT-7\\|lock free\\]");
}

TEST_F(ErrorHandlerTest, AnErrorWhileOpeningReleasesTheConfigurationLockFirst) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  host.Put("SapRfc.PRD", "DEST=PRD\n");
  fake().abortIn = "RfcOpenEx";
  fake().abortOperation = "RfcOpenEx";
  abort_host = &host;
  backend->InstallErrorHandler(&ReportToStderr);
  ConnectionRequest request;
  request.destination = "PRD";
  EXPECT_EXIT(backend->Open(request, nullptr), ::testing::ExitedWithCode(1),
              "\\[RfcOpenEx\\|KEY-7\\|.*\\|lock free\\]");
}

}  // namespace
}  // namespace tolvaran
