// The health measurements against hand-computed rows on the fake backend:
// what each sends, and what it makes of the answer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "measure/cancelled_jobs.h"
#include "measure/host_cpu.h"
#include "measure/lock_entries.h"
#include "measure/logon_time.h"
#include "measure/registry.h"
#include "measure/short_dumps.h"
#include "measure/update_errors.h"
#include "measure/work_processes.h"
#include "support/fake_backend.h"

namespace tolvaran {
namespace {

using Row = FakeBackend::Row;

QueryResult Measured(FakeBackend& backend, const Measurement& m, MeasuredValues* reading,
                     MeasureContext context = {}) {
  return MeasureOver(backend, 41, m, context, reading);
}

void ClockAt(FakeBackend& backend, const std::string& date, const std::string& time) {
  backend.script.tables["BDL_GET_CENTRAL_TIMESTAMP"] = {};
  backend.script.exports["BDL_GET_CENTRAL_TIMESTAMP"] = Row{{{"TAG", date}, {"UHRZEIT", time}}, {}};
}

// RFC_READ_TABLE's answer: FIELDS as the system laid them out (in the order
// given here, whatever was asked), DATA rows built at those offsets.
void ReadTableAnswer(FakeBackend& backend,
                     const std::vector<std::pair<std::string, std::size_t>>& fields,
                     const std::vector<std::vector<std::string>>& rows) {
  FakeBackend::Table table;
  std::size_t offset = 0;
  char number[8];
  for (const auto& [name, length] : fields) {
    Row row;
    row.texts["FIELDNAME"] = name;
    std::snprintf(number, sizeof number, "%06zu", offset);
    row.texts["OFFSET"] = number;
    std::snprintf(number, sizeof number, "%06zu", length);
    row.texts["LENGTH"] = number;
    table.rows.push_back(row);
    offset += length;
  }
  backend.script.tables["RFC_READ_TABLE"] = table;
  std::vector<Row>& data = backend.script.alsoReceived["RFC_READ_TABLE/DATA"];
  for (const std::vector<std::string>& values : rows) {
    std::string wa;
    for (std::size_t i = 0; i < values.size(); ++i) {
      std::string field = values[i];
      field.resize(fields[i].second, ' ');
      wa += field;
    }
    data.push_back(Row{{{"WA", wa}}, {}});
  }
}

std::string Joined(const std::vector<std::vector<std::string>>& rows) {
  std::string text;
  for (const auto& row : rows) text += (text.empty() ? "" : "|") + row[0];
  return text;
}

TEST(ShortDumpsTest, WindowAcrossMidnightOnTheSystemsClockFieldsReadWhereverTheyCameBack) {
  FakeBackend backend;
  ClockAt(backend, "20261210", "001500");
  // Asked for FLIST alone; an answer with other fields first must still be
  // read at FLIST's own offset.
  ReadTableAnswer(backend, {{"MANDT", 3}, {"FLIST", 200}},
                  {{"100", "FC014MESSAGE_TYPE_XAP008SAPLTEST"},
                   {"100", "FC008TIME_OUTAP005RSXYZ"},
                   {"200", "FC014MESSAGE_TYPE_X"}});
  MeasuredValues reading;
  MeasureContext context;
  context.windowMinutes = 30;
  ASSERT_EQ(Measured(backend, ShortDumpsMeasurement(), &reading, context).outcome, kOutcomeOk);
  EXPECT_EQ(reading.values, (std::vector<std::int64_t>{3, 2}));
  const TableCall& call = backend.lastCall;
  EXPECT_EQ(call.function, "RFC_READ_TABLE");
  EXPECT_EQ(call.arguments[0].text, "SNAP");
  ASSERT_EQ(call.sent.size(), 2u);
  for (const auto& line : call.sent[0].rows) EXPECT_LE(line[0].size(), 72u);
  EXPECT_EQ(Joined(call.sent[0].rows),
            "SEQNO = '000' AND ( DATUM > '20261209' OR ( DATUM = '20261209' AND UZEIT|"
            ">= '234500' ) ) AND ( DATUM < '20261210' OR ( DATUM = '20261210' AND|"
            "UZEIT <= '001500' ) )");
  EXPECT_EQ(Joined(call.sent[1].rows), "FLIST");
  EXPECT_EQ(ShortDumpsMeasurement().Summary(reading, "PRD", ""),
            "(PRD) Short Dumps=3 in 30 min, most MESSAGE_TYPE_X=2");
}

TEST(ShortDumpsTest, AMissingAuthorizationNamesTheObjectAndTheTable) {
  FakeBackend backend;
  ClockAt(backend, "20261210", "120000");
  backend.script.tables["RFC_READ_TABLE"].result.outcome = kOutcomeException;
  backend.script.tables["RFC_READ_TABLE"].result.exceptionText = "NOT_AUTHORIZED";
  MeasuredValues reading;
  const QueryResult result = Measured(backend, ShortDumpsMeasurement(), &reading);
  EXPECT_EQ(result.outcome, kOutcomeException);
  EXPECT_EQ(ShortDumpsMeasurement().FailureText(result),
            "Error 1042: No authorization to read table SNAP (S_TABU_NAM) !");
  EXPECT_EQ(UpdateErrorsMeasurement().FailureText(result),
            "Error 1042: No authorization to read table VBHDR (S_TABU_NAM) !");
}

TEST(CancelledJobsTest, StatusAByEndDateAndTimeNewestNamedFirst) {
  FakeBackend backend;
  ClockAt(backend, "20270101", "000500");
  ReadTableAnswer(backend, {{"ENDTIME", 6}, {"JOBNAME", 32}, {"ENDDATE", 8}},
                  {{"235500", "Z_OLD", "20261231"}, {"000100", "Z_NEW", "20270101"}});
  MeasuredValues reading;
  ASSERT_EQ(Measured(backend, CancelledJobsMeasurement(), &reading).outcome, kOutcomeOk);
  EXPECT_EQ(reading.values, (std::vector<std::int64_t>{2}));
  EXPECT_EQ(reading.notes[0], "Z_NEW Z_OLD");
  EXPECT_EQ(backend.lastCall.arguments[0].text, "TBTCO");
  EXPECT_EQ(Joined(backend.lastCall.sent[0].rows).substr(0, 40),
            "STATUS = 'A' AND ( ENDDATE > '20261231' ");
}

TEST(UpdateErrorsTest, RequestsWithAReturnCodeAreCounted) {
  FakeBackend backend;
  ReadTableAnswer(backend, {{"VBKEY", 32}}, {{"A"}, {"B"}});
  MeasuredValues reading;
  ASSERT_EQ(Measured(backend, UpdateErrorsMeasurement(), &reading).outcome, kOutcomeOk);
  EXPECT_EQ(reading.values, (std::vector<std::int64_t>{2}));
  EXPECT_EQ(Joined(backend.lastCall.sent[0].rows), "VBRC <> '0'");
}

TEST(LockEntriesTest, AllClientsAndUsersOldestByTheSystemsClock) {
  FakeBackend backend;
  ClockAt(backend, "20261210", "003000");
  backend.script.tables["ENQUEUE_READ"].rows = {
      Row{{{"GTDATE", "20261209"}, {"GTTIME", "233000"}}, {}},
      Row{{{"GTDATE", "20261210"}, {"GTTIME", "002900"}}, {}}};
  MeasuredValues reading;
  ASSERT_EQ(Measured(backend, LockEntriesMeasurement(), &reading).outcome, kOutcomeOk);
  EXPECT_EQ(reading.values, (std::vector<std::int64_t>{2, 60}));
  EXPECT_EQ(backend.lastCall.arguments[0].text, "*");
  EXPECT_EQ(backend.lastCall.structure, "SEQG3");
}

TEST(HostCpuTest, TheFirstRowInTheCollectorsUnits) {
  FakeBackend backend;
  backend.script.tables["GET_CPU_ALL"].rows = {Row{{},
                                                   {{"NBR_CPU", 4},
                                                    {"LOAD1_AVG", 125},
                                                    {"LOAD5_AVG", 80},
                                                    {"LOAD15_AVG", 7},
                                                    {"USR_TOTAL", 20},
                                                    {"SYS_TOTAL", 7},
                                                    {"IDLE_TOTAL", 73}}},
                                               Row{{}, {{"NBR_CPU", 1}, {"IDLE_TOTAL", 0}}}};
  MeasuredValues reading;
  ASSERT_EQ(Measured(backend, HostCpuMeasurement(), &reading).outcome, kOutcomeOk);
  EXPECT_EQ(reading.values, (std::vector<std::int64_t>{27, 20, 7, 73, 125, 80, 7, 4}));
  EXPECT_EQ(HostCpuMeasurement().Summary(reading, "PRD", ""),
            "(PRD) CPU Busy=27%, Load=1.25, CPUs=4");
}

TEST(LogonTimeTest, TheOpeningsTimeAndOnePing) {
  FakeBackend backend;
  backend.script.tables["RFC_PING"] = {};
  MeasureContext context;
  context.openMilliseconds = 42;
  MeasuredValues reading;
  ASSERT_EQ(Measured(backend, LogonTimeMeasurement(), &reading, context).outcome, kOutcomeOk);
  EXPECT_EQ(reading.values[0], 42);
  EXPECT_GE(reading.values[1], 0);
  EXPECT_EQ(backend.lastCall.function, "RFC_PING");
}

TEST(WorkProcessesTest, EveryServerOverTheOneConnectionOneFailingIsLeftOutAndNamed) {
  FakeBackend backend;
  // The fake serves one table per function module: each server's call gets
  // the same rows, so three servers give three times the counts.
  backend.script.tables["TH_WPINFO"].rows = {
      Row{{{"WP_TYP", "DIA"}}, {{"WP_ITYPE", 1}, {"WP_ISTATUS", kWpRunning}}},
      Row{{{"WP_TYP", "DIA"}}, {{"WP_ITYPE", 1}, {"WP_ISTATUS", kWpWaiting}}},
      Row{{{"WP_TYP", "BTC"}}, {{"WP_ITYPE", 4}, {"WP_ISTATUS", kWpRunning}}}};
  const std::vector<ServerEntry> servers = {{"a_PRD_00", "a", ""}, {"b_PRD_01", "b", ""}};
  MeasureContext context;
  context.servers = &servers;
  MeasuredValues reading;
  ASSERT_EQ(Measured(backend, WorkProcessesMeasurement(), &reading, context).outcome, kOutcomeOk);
  EXPECT_EQ(reading.values[0], 4);   // dialog
  EXPECT_EQ(reading.values[1], 2);   // busy
  EXPECT_EQ(reading.values[2], 50);  // percent of the sums
  EXPECT_EQ(reading.values[3], 2);   // free
  EXPECT_EQ(reading.values[4], 2);   // background, by BTC as well as BGD
  EXPECT_EQ(backend.lastCall.arguments[0].text, "b_PRD_01");
  // A server whose call fails is left out; all failing is the first failure.
  backend.script.tables["TH_WPINFO"].result.outcome = kOutcomeException;
  backend.script.tables["TH_WPINFO"].result.exceptionText = "SEND_ERROR";
  EXPECT_EQ(Measured(backend, WorkProcessesMeasurement(), &reading, context).exceptionText,
            "SEND_ERROR");
}

TEST(RegistryTest, EveryMeasurementByKeyItsScriptV2IdsPermanentAndDistinct) {
  std::vector<std::int32_t> ids;
  std::size_t channels = 0;
  for (const Measurement* m : Measurements()) {
    EXPECT_EQ(FindMeasurement(m->Key()), m);
    for (const ValueDefinition& v : m->Values()) {
      ids.push_back(v.scriptV2Id);
      ++channels;
      // An ITEM= value has no blank-ending "," and no marker in its name.
      EXPECT_EQ(std::string(v.displayName).find_first_of(",#@$%="), std::string::npos);
    }
  }
  std::vector<std::int32_t> sorted = ids;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end());
  EXPECT_LE(channels, 50u);  // MEASURE=ALL fits PRTG's 50 channels
  EXPECT_EQ(Measurements().front()->Key(), "USERS");
  EXPECT_EQ(FindValue(Measurements(), "Dialog Busy Percent").measurement,
            &WorkProcessesMeasurement());
}

}  // namespace
}  // namespace tolvaran
