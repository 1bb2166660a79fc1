#include "rfc/queries.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "../fake_host.h"
#include "output/usage_evaluation.h"

namespace tolvaran {
namespace {

// ---------------------------------------------------------------------------
// A fake RFC library. The program reaches the library only through the
// function pointers in rs.rfc.lib; these stand-ins record what they are
// given, lay out rows by the structure the program installed, and answer
// with the outcomes a test chooses. Their state is file-level, as the
// library's own would be.

struct Field {
  std::string name;
  unsigned type, length, decimals, offset;
};

struct Installed {
  std::string name;
  unsigned count;
  std::vector<Field> fields;
};

struct Param {
  std::string name;
  unsigned nlen, type, leng;
  void* addr;
  std::string bytes;  // what was at addr when the library got it
};

struct TableRef {
  std::string name;
  unsigned nlen, type, leng;
  void* ithandle;
  int itmode, newitab;
};

struct Called {
  RfcHandle handle;
  std::string function;
  std::vector<Param> exporting;
  std::vector<TableRef> tables;
};

struct Received {
  RfcHandle handle;
  std::vector<Param> importing;
  std::vector<TableRef> tables;
  bool exceptionStartedNull;
};

struct Table {
  std::string name;
  unsigned leng, occu, memo;
  std::vector<std::vector<unsigned char>> rows;
};

// One row of the user list, by field name; missing fields stay blank or 0.
using RowValues = std::map<std::string, std::string>;

struct FakeLibrary {
  // Behaviour chosen by a test.
  int installResult = 0;
  int callResult = 0;
  int receiveOutcome = 0;
  std::string exceptionName;
  bool createFails = false;
  int deleteResult = 0;
  unsigned getLineFailsAt = 0;
  std::vector<RowValues> userRows;

  // What the program did.
  std::vector<Installed> installs;
  std::vector<Called> calls;
  std::vector<Received> receives;
  std::vector<std::unique_ptr<Table>> tables;
  std::vector<RfcTable> deleted;
  unsigned fillCalls = 0;
  std::vector<unsigned> linesFetched;
  std::vector<RfcHandle> closed;
};

FakeLibrary fake;

std::vector<Param> ParamList(const ParameterEntry* list) {
  std::vector<Param> out;
  for (; list->name; ++list) {
    std::string bytes;
    if (list->addr) bytes.assign(static_cast<const char*>(list->addr), list->leng);
    out.push_back({std::string(list->name, list->nlen), list->nlen, list->type, list->leng,
                   list->addr, bytes});
  }
  return out;
}

std::vector<TableRef> TableList(const TableEntry* list) {
  std::vector<TableRef> out;
  for (; list->name; ++list) {
    out.push_back({std::string(list->name, list->nlen), list->nlen, list->type, list->leng,
                   list->ithandle, list->itmode, list->newitab});
  }
  return out;
}

Table* FindTable(void* handle) {
  for (auto& t : fake.tables) {
    if (t.get() == handle) return t.get();
  }
  return nullptr;
}

// Type handles are the install's position plus 100, so a table entry's row
// type leads back to the fields the program described.
const Installed* FindType(unsigned type) {
  if (type < 100 || type - 100 >= fake.installs.size()) return nullptr;
  return &fake.installs[type - 100];
}

// Lays out the rows of the user list the way the library would: fields one
// after another, in the order and lengths the program installed.
void DeliverUserRows(const TableRef& ref) {
  Table* table = FindTable(ref.ithandle);
  const Installed* type = FindType(ref.type);
  if (!table || !type) {
    ADD_FAILURE() << "USR_TABL names no known table or row type";
    return;
  }
  for (const RowValues& values : fake.userRows) {
    std::vector<unsigned char> row(table->leng, 0);
    unsigned offset = 0;
    for (const Field& f : type->fields) {
      if (offset + f.length > row.size()) {
        ADD_FAILURE() << "field " << f.name << " lies beyond the row";
        return;
      }
      if (f.type == kRfcTypeChar) std::memset(&row[offset], ' ', f.length);
      auto it = values.find(f.name);
      if (it != values.end()) {
        std::memcpy(&row[offset], it->second.data(),
                    std::min<std::size_t>(f.length, it->second.size()));
      }
      offset += f.length;
    }
    table->rows.push_back(row);
  }
}

extern "C" int RFC_CALL FakeInstallStructure(char* name, FieldDescriptor* fields, unsigned count,
                                             RfcTypeHandle* handle) {
  Installed installed{name, count, {}};
  for (unsigned i = 0; i < count; ++i) {
    installed.fields.push_back(
        {fields[i].name, fields[i].type, fields[i].length, fields[i].decimals, fields[i].offset});
  }
  fake.installs.push_back(installed);
  if (fake.installResult == 0) *handle = static_cast<RfcTypeHandle>(99 + fake.installs.size());
  return fake.installResult;
}

extern "C" int RFC_CALL FakeCall(RfcHandle handle, char* function, ParameterEntry* exporting,
                                 TableEntry* tables) {
  fake.calls.push_back({handle, function, ParamList(exporting), TableList(tables)});
  return fake.callResult;
}

extern "C" int RFC_CALL FakeReceive(RfcHandle handle, ParameterEntry* importing, TableEntry* tables,
                                    char** exception) {
  Received received{handle, ParamList(importing), TableList(tables), *exception == nullptr};
  fake.receives.push_back(received);
  // Every received value is written in full, to the length the program
  // declared for it.
  for (ParameterEntry* p = importing; p->name; ++p) std::memset(p->addr, 'R', p->leng);
  for (const TableRef& ref : received.tables) {
    if (ref.name == "USR_TABL" && fake.receiveOutcome == kRfcOk) DeliverUserRows(ref);
  }
  static char name[512];
  std::snprintf(name, sizeof name, "%s", fake.exceptionName.c_str());
  if (!fake.exceptionName.empty()) *exception = name;
  return fake.receiveOutcome;
}

extern "C" int RFC_CALL FakeLastError(ErrorInfo* info) {
  std::strcpy(info->key, "KEY-7");
  std::strcpy(info->status, "STATUS-7");
  std::strcpy(info->message, "MESSAGE-7");
  std::strcpy(info->intstat, "INTSTAT-7");
  return 0;
}

extern "C" void RFC_CALL FakeClose(RfcHandle handle) { fake.closed.push_back(handle); }

extern "C" RfcTable RFC_CALL FakeItCreate(char* name, unsigned leng, unsigned occu, unsigned memo) {
  if (fake.createFails) return nullptr;
  fake.tables.push_back(std::make_unique<Table>(Table{name, leng, occu, memo, {}}));
  return fake.tables.back().get();
}

extern "C" unsigned RFC_CALL FakeItFill(RfcTable table) {
  ++fake.fillCalls;
  Table* t = FindTable(table);
  return t ? static_cast<unsigned>(t->rows.size()) : 0;
}

extern "C" void* RFC_CALL FakeItGetLine(RfcTable table, unsigned row) {
  fake.linesFetched.push_back(row);
  Table* t = FindTable(table);
  if (!t || row == 0 || row > t->rows.size() || row == fake.getLineFailsAt) return nullptr;
  return t->rows[row - 1].data();
}

extern "C" int RFC_CALL FakeItDelete(RfcTable table) {
  fake.deleted.push_back(table);
  return fake.deleteResult;
}

// ---------------------------------------------------------------------------

std::string Int4(std::uint32_t value) {
  std::string bytes(4, '\0');
  std::memcpy(&bytes[0], &value, 4);
  return bytes;
}

RowValues UserRow(const std::string& mandt, const std::string& user, const std::string& tcode,
                  const std::string& term, std::uint32_t extmodi, std::uint32_t intmodi) {
  return {{"TID", Int4(1)},
          {"MANDT", mandt},
          {"BNAME", user},
          {"TCODE", tcode},
          {"TERM", term},
          {"ZEIT", "093000"},
          {"MASTER", "MASTER"},
          {"HOSTADR", std::string("\x0a\0\0\x01", 4)},
          {"TRACE", std::string(1, '\0')},
          {"EXTMODI", Int4(extmodi)},
          {"INTMODI", Int4(intmodi)}};
}

const char kReport[] =
    "key             : KEY-7\n"
    "status          : STATUS-7\n"
    "message         : MESSAGE-7\n"
    "internal status : INTSTAT-7\n"
    "\n"
    "* Programm aborted...\n"
    "* Error at EoXput-File...\n";

class FakeLibraryTest : public ::testing::Test {
 protected:
  std::unique_ptr<RunState> rs = std::make_unique<RunState>();
  FakeHost host;

  void SetUp() override {
    fake = FakeLibrary{};
    Connect(*rs);
  }

  void Connect(RunState& run) {
    run.host = &host;
    run.rfc.loaded = true;
    RfcLibrary& lib = run.rfc.lib;
    lib.RfcInstallStructure = &FakeInstallStructure;
    lib.RfcCall = &FakeCall;
    lib.RfcReceive = &FakeReceive;
    lib.RfcLastError = &FakeLastError;
    lib.RfcClose = &FakeClose;
    lib.ItCreate = &FakeItCreate;
    lib.ItFill = &FakeItFill;
    lib.ItGetLine = &FakeItGetLine;
    lib.ItDelete = &FakeItDelete;
  }

  RfcTable UserTable() {
    char name[] = "USR_TABL";
    return FakeItCreate(name, kUinfoRowLength, 0, 0);
  }

  // Runs `step`, which must end the run through the RFC failure report,
  // and returns what it printed.
  std::string ReportOf(const std::function<void()>& step) {
    try {
      step();
    } catch (const RunEnd& end) {
      EXPECT_EQ(end.status, 1);
      EXPECT_FALSE(end.writeResultBuffer);
      return host.out;
    }
    ADD_FAILURE() << "the run did not end";
    return host.out;
  }
};

void ExpectFields(const Installed& installed, const std::vector<Field>& expected) {
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

// ----- user list ------------------------------------------------------------

using UserListQueryTest = FakeLibraryTest;

TEST_F(UserListQueryTest, InstallsUinfoOnceAndCallsThusrinfoWithTheUserTable) {
  RfcTable table = UserTable();
  char exceptionText[256] = "";
  EXPECT_EQ(FetchUserList(*rs, 41, table, exceptionText), 0);
  EXPECT_EQ(FetchUserList(*rs, 42, table, exceptionText), 0);

  ASSERT_EQ(fake.installs.size(), 1u);
  EXPECT_EQ(fake.installs[0].name, "UINFO");
  ExpectFields(fake.installs[0], {{"TID", 8, 4, 0, 0},
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
  EXPECT_EQ(rs->rfc.uinfoType, 100u);

  ASSERT_EQ(fake.calls.size(), 2u);
  ASSERT_EQ(fake.receives.size(), 2u);
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE(i);
    const Called& call = fake.calls[i];
    EXPECT_EQ(call.handle, static_cast<RfcHandle>(41 + i));
    EXPECT_EQ(call.function, "THUSRINFO");
    EXPECT_TRUE(call.exporting.empty());
    ASSERT_EQ(call.tables.size(), 1u);
    const TableRef& t = call.tables[0];
    EXPECT_EQ(t.name, "USR_TABL");
    EXPECT_EQ(t.nlen, 8u);
    EXPECT_EQ(t.type, 100u);
    EXPECT_EQ(t.leng, 0u);
    EXPECT_EQ(t.ithandle, table);
    EXPECT_EQ(t.itmode, 0);
    EXPECT_EQ(t.newitab, 0);

    const Received& receive = fake.receives[i];
    EXPECT_EQ(receive.handle, call.handle);
    EXPECT_TRUE(receive.importing.empty());
    ASSERT_EQ(receive.tables.size(), 1u);
    EXPECT_EQ(receive.tables[0].ithandle, table);
    EXPECT_EQ(receive.tables[0].type, 100u);
    EXPECT_TRUE(receive.exceptionStartedNull);
  }
}

TEST_F(UserListQueryTest, EachRunRecordInstallsItsOwnType) {
  char exceptionText[256] = "";
  FetchUserList(*rs, 1, UserTable(), exceptionText);
  auto other = std::make_unique<RunState>();
  Connect(*other);
  FetchUserList(*other, 1, UserTable(), exceptionText);
  FetchUserList(*other, 1, UserTable(), exceptionText);
  EXPECT_EQ(fake.installs.size(), 2u);
  EXPECT_EQ(other->rfc.uinfoType, 101u);
}

TEST_F(UserListQueryTest, FailedCallIsReturnedWithoutReceiving) {
  for (int result : {1, 7}) {
    fake.callResult = result;
    fake.receives.clear();
    char exceptionText[256] = "";
    EXPECT_EQ(FetchUserList(*rs, 1, UserTable(), exceptionText), result);
    EXPECT_TRUE(fake.receives.empty());
    EXPECT_STREQ(exceptionText, "");
  }
}

TEST_F(UserListQueryTest, ExceptionNamesAreKeptUpTo255Characters) {
  struct Case {
    int outcome;
    std::string name;
    std::string kept;
  };
  const std::string forty = "EXCEPTION_NAME_OF_EXACTLY_FORTY_CHARS_XY";
  ASSERT_EQ(forty.size(), 40u);
  const Case cases[] = {
      {kRfcException, forty, forty},
      {kRfcSysException, "SYSTEM_FAILURE", "SYSTEM_FAILURE"},
      {kRfcException, std::string(300, 'E'), std::string(255, 'E')},
      {kRfcOk, "IGNORED", ""},  // only exceptions carry a name
      {kRfcFailure, "IGNORED", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.outcome);
    fake.receiveOutcome = c.outcome;
    fake.exceptionName = c.name;
    char buffer[300];
    std::memset(buffer, 'Z', sizeof buffer);
    buffer[0] = '\0';
    EXPECT_EQ(FetchUserList(*rs, 1, UserTable(), buffer), c.outcome);
    EXPECT_EQ(std::string(buffer), c.kept);
    EXPECT_EQ(buffer[256], 'Z') << "written past the 256-byte buffer";
  }
}

TEST_F(UserListQueryTest, FailedInstallEndsTheRunBeforeAnyCall) {
  fake.installResult = 1;
  char exceptionText[256] = "";
  RfcTable table = UserTable();
  std::string out = ReportOf([&] { FetchUserList(*rs, 1, table, exceptionText); });
  EXPECT_EQ(out, std::string("RFC error\noperation/code  : RfcInstallStructure\n") + kReport);
  EXPECT_TRUE(fake.calls.empty());
  EXPECT_EQ(rs->rfc.uinfoType, 0u);
}

// ----- CPU probe --------------------------------------------------------------

using CpuQueryTest = FakeLibraryTest;

TEST_F(CpuQueryTest, CallsGetCpuAllWithItsParametersAndTable) {
  rs->resultBuffer.Set("kept");
  EXPECT_EQ(QueryCpu(*rs, 9), 0);
  EXPECT_EQ(rs->runStatus, RunStatus::kOk);
  EXPECT_EQ(rs->resultBuffer.str(), "kept");

  ASSERT_EQ(fake.tables.size(), 1u);
  const Table& table = *fake.tables[0];
  EXPECT_EQ(table.name, "TF_CPU_ALL");
  EXPECT_EQ(table.leng, 48u);
  EXPECT_EQ(table.occu, 0u);
  EXPECT_EQ(table.memo, 0u);

  ASSERT_EQ(fake.installs.size(), 1u);
  EXPECT_EQ(fake.installs[0].name, "CPU_ALL");
  ExpectFields(fake.installs[0], {{"TYPE", 9, 2, 0, 0},
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
  EXPECT_EQ(rs->rfc.cpuAllType, 100u);

  ASSERT_EQ(fake.calls.size(), 1u);
  const Called& call = fake.calls[0];
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
  EXPECT_EQ(call.tables[0].ithandle, fake.tables[0].get());

  ASSERT_EQ(fake.receives.size(), 1u);
  const Received& receive = fake.receives[0];
  EXPECT_EQ(receive.handle, 9u);
  EXPECT_TRUE(receive.exceptionStartedNull);
  ASSERT_EQ(receive.tables.size(), 1u);
  EXPECT_EQ(receive.tables[0].ithandle, fake.tables[0].get());
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
    const Param& p = receive.importing[i];
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

  ASSERT_EQ(fake.deleted.size(), 1u);
  EXPECT_EQ(fake.deleted[0], fake.tables[0].get());
}

TEST_F(CpuQueryTest, InstallsCpuAllOncePerRunRecord) {
  QueryCpu(*rs, 1);
  QueryCpu(*rs, 2);
  EXPECT_EQ(fake.installs.size(), 1u);
  EXPECT_EQ(fake.tables.size(), 2u);
  EXPECT_EQ(fake.deleted.size(), 2u);
  EXPECT_EQ(fake.calls.size(), 2u);
  EXPECT_EQ(fake.calls[1].tables[0].type, 100u);
}

TEST_F(CpuQueryTest, FailedOutcomesAppendTheirTextAndKeepTheStatus) {
  struct Case {
    int callResult;
    int outcome;
    bool itemMode;
    const char* appended;
  };
  const Case cases[] = {
      {0, kRfcFailure, false, "Error 1014: RFC-Failure raised !"},
      {1, kRfcOk, false, "Error 1014: RFC-Failure raised !"},  // the call itself failed
      {0, kRfcException, false, "Error 1012: Exception.: NOT_FOUND"},
      {0, kRfcException, true, "Error 1012: Exception.: NOT_FOUND"},
      {0, kRfcSysException, false, "Error 1013: Sys-Exception raised !"},
      {0, kRfcSysException, true, ""},
      {0, 7, false, "Error 1015: Other Failure raised !"},
      {0, -1, true, "Error 1015: Other Failure raised !"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.callResult << "/" << c.outcome << "/" << c.itemMode);
    fake.callResult = c.callResult;
    fake.receiveOutcome = c.outcome;
    fake.exceptionName = "NOT_FOUND";
    fake.deleted.clear();
    rs->itemMode = c.itemMode;
    rs->runStatus = RunStatus::kErr;
    rs->resultBuffer.Set("before:");
    int expected = c.callResult != 0 ? c.callResult : c.outcome;
    EXPECT_EQ(QueryCpu(*rs, 1), expected);
    EXPECT_EQ(rs->resultBuffer.str(), std::string("before:") + c.appended);
    EXPECT_EQ(rs->runStatus, RunStatus::kErr);
    EXPECT_EQ(fake.deleted.size(), 1u);
  }
}

TEST_F(CpuQueryTest, TableFailuresEndTheRunWithTheReport) {
  fake.createFails = true;
  std::string out = ReportOf([&] { QueryCpu(*rs, 1); });
  EXPECT_EQ(out, std::string("RFC error\noperation/code  : ItCreate TF_CPU_ALL\n") + kReport);
  EXPECT_TRUE(fake.calls.empty());
  EXPECT_EQ(fake.closed, std::vector<RfcHandle>{0});

  host.out.clear();
  fake.createFails = false;
  fake.deleteResult = 1;
  out = ReportOf([&] { QueryCpu(*rs, 1); });
  EXPECT_EQ(out, std::string("RFC error\noperation/code  : ItDelete TF_CPU_ALL\n") + kReport);

  host.out.clear();
  auto fresh = std::make_unique<RunState>();
  Connect(*fresh);
  fake.installResult = 1;
  out = ReportOf([&] { QueryCpu(*fresh, 1); });
  EXPECT_EQ(out, std::string("RFC error\noperation/code  : RfcInstallStructure\n") + kReport);
}

// ----- the evaluation's use of the library ------------------------------------

class UsageEvaluationRfcTest : public FakeLibraryTest {
 protected:
  void SetUp() override {
    FakeLibraryTest::SetUp();
    rs->profile.destination.Set("PRD");
    fake.userRows = {
        UserRow("100", "MEIER", "VA01", "PC01", 2, 3),
        UserRow("100", "MEIER", "", "PC02", 1, 1),
        UserRow("200", "OTHER", "SE38", "PC09", 10, 10),
        UserRow("100", "SCHULZ", "SU01", "PC01", 0, 5),
    };
  }
};

TEST_F(UsageEvaluationRfcTest, CountsTheRowsTheLibraryLaysOutByTheInstalledFields) {
  rs->client.Set("100");
  EXPECT_EQ(EvaluateSystemUsage(*rs, 5), 0);
  EXPECT_EQ(rs->runStatus, RunStatus::kOk);
  EXPECT_EQ(rs->resultBuffer.str(),
            "\n<Prtg>\n"
            "\n<Text>(PRD) Sys-Usage Client[100]: Active Users=2, Act Tran-Codes=2, Terminals=2, "
            "Sessions=3</Text>\n"
            "\n<Result><Channel>Active User(s)</Channel>\n<Value>2</Value></Result>\n"
            "\n<Result><Channel>Act Tran-Codes</Channel>\n<Value>2</Value></Result>\n"
            "\n<Result><Channel>Act Terminals</Channel>\n<Value>2</Value></Result>\n"
            "\n<Result><Channel>Session(s)</Channel>\n<Value>3</Value></Result>\n"
            "\n<Result><Channel>External Modi</Channel>\n<Value>3</Value></Result>\n"
            "\n<Result><Channel>Internal Modi</Channel>\n<Value>9</Value></Result>\n"
            "\n</Prtg>\n");

  ASSERT_EQ(fake.tables.size(), 1u);
  EXPECT_EQ(fake.tables[0]->name, "USR_TABL");
  EXPECT_EQ(fake.tables[0]->leng, 92u);
  EXPECT_EQ(fake.tables[0]->occu, 0u);
  EXPECT_EQ(fake.tables[0]->memo, 0u);
  EXPECT_EQ(fake.calls[0].handle, 5u);
  EXPECT_EQ(fake.calls[0].tables[0].ithandle, fake.tables[0].get());
  // The count is asked before every row and once more to end.
  EXPECT_EQ(fake.fillCalls, 5u);
  EXPECT_EQ(fake.linesFetched, (std::vector<unsigned>{1, 2, 3, 4}));
  EXPECT_EQ(fake.deleted, std::vector<RfcTable>{fake.tables[0].get()});
}

TEST_F(UsageEvaluationRfcTest, EmptyListStillGivesTheWholeDocument) {
  fake.userRows.clear();
  rs->outputFlavour = OutputFlavour::kTembrel;
  EXPECT_EQ(EvaluateSystemUsage(*rs, 5), 0);
  EXPECT_EQ(rs->resultBuffer.str(),
            "\n# (PRD) System-Usage: Active Users=0, Act Tran-Codes=0, Terminals=0, Sessions=0"
            "\n> Active User(s): 0 #\n> Act Tran-Codes: 0 #\n> Act Terminals: 0 #"
            "\n> Session(s): 0 #\n> External Modi: 0 #\n> Internal Modi: 0 #\n");
  EXPECT_EQ(fake.fillCalls, 1u);
  EXPECT_TRUE(fake.linesFetched.empty());
  EXPECT_EQ(fake.deleted.size(), 1u);
}

TEST_F(UsageEvaluationRfcTest, ItemModeStreamsTheItemOfTheSystem) {
  rs->itemMode = true;
  rs->itemName.Set("Act Terminals");
  rs->systemLabel.Set("QAS");
  EXPECT_EQ(EvaluateSystemUsage(*rs, 5), 0);
  EXPECT_EQ(host.out, "\n<Result><Channel>QAS</Channel>\n<Value>3</Value></Result>\n");
  EXPECT_TRUE(rs->foundFlag);
  EXPECT_EQ(rs->resultBuffer.str(), "");
}

TEST_F(UsageEvaluationRfcTest, FailedQueriesLeaveTheirTextAndDeleteTheTable) {
  struct Case {
    int callResult;
    int outcome;
    bool itemMode;
    const char* text;
  };
  const Case cases[] = {
      {1, kRfcOk, false, "Error 1014: RFC-Failure raised !"},
      {0, kRfcException, false, "Error 1012: Exception.: USER_NOT_AUTHORIZED"},
      {0, kRfcSysException, false, "Error 1013: Sys-Exception raised !"},
      {0, kRfcSysException, true, ""},
      {0, 9, false, "Error 1015: Other Failure raised !"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.callResult << "/" << c.outcome << "/" << c.itemMode);
    fake.callResult = c.callResult;
    fake.receiveOutcome = c.outcome;
    fake.exceptionName = "USER_NOT_AUTHORIZED";
    fake.deleted.clear();
    fake.fillCalls = 0;
    rs->itemMode = c.itemMode;
    rs->resultBuffer.Clear();
    EXPECT_EQ(EvaluateSystemUsage(*rs, 5), c.callResult != 0 ? c.callResult : c.outcome);
    EXPECT_EQ(rs->resultBuffer.str(), c.text);
    EXPECT_EQ(rs->runStatus, RunStatus::kErr);
    EXPECT_EQ(fake.fillCalls, 0u);
    EXPECT_EQ(fake.deleted.size(), 1u);
    EXPECT_EQ(host.out, "");
  }
}

TEST_F(UsageEvaluationRfcTest, TableFailuresEndTheRunWithTheReport) {
  fake.createFails = true;
  EXPECT_EQ(ReportOf([&] { EvaluateSystemUsage(*rs, 5); }),
            std::string("RFC error\noperation/code  : ItCreate USR_TABL\n") + kReport);
  EXPECT_TRUE(fake.calls.empty());

  host.out.clear();
  fake.createFails = false;
  fake.getLineFailsAt = 2;
  EXPECT_EQ(ReportOf([&] { EvaluateSystemUsage(*rs, 5); }),
            std::string("RFC error\noperation/code  : ItGetLine USR_TABL\n") + kReport);

  host.out.clear();
  fake.getLineFailsAt = 0;
  fake.deleteResult = 1;
  EXPECT_EQ(ReportOf([&] { EvaluateSystemUsage(*rs, 5); }),
            std::string("RFC error\noperation/code  : ItDelete USR_TABL\n") + kReport);

  host.out.clear();
  fake.receiveOutcome = kRfcException;
  EXPECT_EQ(ReportOf([&] { EvaluateSystemUsage(*rs, 5); }),
            std::string("RFC error\noperation/code  : ItDelete USR_TABL\n") + kReport);
}

}  // namespace
}  // namespace tolvaran
