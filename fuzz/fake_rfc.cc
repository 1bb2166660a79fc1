#include "fake_rfc.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <set>

#include "fuzz_checks.h"

namespace tolvaran_fuzz {

namespace {

const FakeLandscape* landscape = nullptr;

struct FakeTable {
  std::string name;
  unsigned row_length = 0;
  // Each row its own allocation of exactly the row length.
  std::vector<std::unique_ptr<unsigned char[]>> rows;
};

std::set<FakeTable*>& Tables() {
  static std::set<FakeTable*> tables;
  return tables;
}

// The function module sent by the last RfcCall.
std::string last_function;

// Where values are read to, so that reading them is not optimised away.
volatile unsigned sink = 0;

// Reads a text to its terminator; AddressSanitizer reports a missing one.
std::size_t Touch(const char* text) { return text ? std::strlen(text) : 0; }

void RFC_CALL Environment(RfcEnvironmentRecord* record) {
  FUZZ_CHECK(record != nullptr && record->errorhandler != nullptr);
}

RfcHandle OpenFor(const char* destination) {
  if (destination == nullptr || destination[0] == '\0') return 0;
  if (landscape->refuse_odd_destinations && (static_cast<unsigned char>(destination[0]) & 1)) {
    return 0;
  }
  return 1;
}

RfcHandle RFC_CALL Open(RfcOpenOptions* options) {
  FUZZ_CHECK(options != nullptr);
  Touch(options->destination);
  Touch(options->client);
  Touch(options->user);
  Touch(options->password);
  Touch(options->language);
  FUZZ_CHECK(options->mode == 0 || options->mode == 1);
  if (options->mode == 1) {
    auto* gateway = static_cast<GatewayOptions*>(options->connopt);
    Touch(gateway->gateway_host);
    Touch(gateway->gateway_service);
  } else {
    auto* host = static_cast<HostOptions*>(options->connopt);
    Touch(host->hostname);
    Touch(host->gateway_host);
    Touch(host->gateway_service);
  }
  return OpenFor(options->destination);
}

RfcHandle RFC_CALL OpenEx(char* connect, RfcErrorRecord* error) {
  FUZZ_CHECK(error != nullptr);
  std::size_t n = Touch(connect);
  const char* dest = std::strstr(connect, " DEST=");
  (void)n;
  return dest ? OpenFor(dest + 6) : 0;
}

int RFC_CALL InstallStructure(char* name, FieldDescriptor* fields, unsigned count,
                              RfcTypeHandle* type) {
  Touch(name);
  for (unsigned i = 0; i < count; ++i) Touch(fields[i].name);
  *type = 7;
  return 0;
}

int RFC_CALL Call(RfcHandle handle, char* function, ParameterEntry* exporting, TableEntry* tables) {
  FUZZ_CHECK(handle != 0);
  last_function = function;
  // The values sent must be readable to their declared length.
  for (ParameterEntry* p = exporting; p->name; ++p) {
    FUZZ_CHECK(std::strlen(p->name) == p->nlen);
    unsigned sum = 0;
    for (unsigned i = 0; i < p->leng; ++i) sum += static_cast<unsigned char*>(p->addr)[i];
    sink += sum;
  }
  for (TableEntry* t = tables; t->name; ++t) FUZZ_CHECK(t->ithandle != nullptr);
  return 0;
}

void AddRow(FakeTable* table, const std::string& bytes) {
  auto row = std::make_unique<unsigned char[]>(table->row_length);
  std::memset(row.get(), 0, table->row_length);
  std::memcpy(row.get(), bytes.data(), std::min<std::size_t>(bytes.size(), table->row_length));
  table->rows.push_back(std::move(row));
}

int RFC_CALL Receive(RfcHandle handle, ParameterEntry* importing, TableEntry* tables,
                     char** exception) {
  FUZZ_CHECK(handle != 0);
  // Every value received fills its place to the length the program gave.
  for (ParameterEntry* p = importing; p->name; ++p) {
    std::memset(p->addr, p->type == kRfcTypeChar ? 'X' : 0x7F, p->leng);
  }
  const bool users = last_function == "THUSRINFO";
  int outcome = users ? landscape->user_list_outcome : landscape->cpu_outcome;
  if (outcome == kRfcException || outcome == kRfcSysException) {
    *exception = const_cast<char*>(landscape->exception_name.c_str());
    return outcome;
  }
  if (outcome != kRfcOk) return outcome;
  for (TableEntry* t = tables; t->name; ++t) {
    auto* table = static_cast<FakeTable*>(t->ithandle);
    FUZZ_CHECK(Tables().count(table) != 0);
    if (users) {
      for (const std::string& row : landscape->user_rows) AddRow(table, row);
    } else {
      AddRow(table, std::string(table->row_length, '\x01'));
    }
  }
  return kRfcOk;
}

int RFC_CALL LastError(ErrorInfo* info) {
  std::memset(info, 0, sizeof *info);
  std::strcpy(info->key, "RFC_ERROR_COMMUNICATION");
  std::memset(info->message, 'm', sizeof info->message - 1);
  return 0;
}

void RFC_CALL Close(RfcHandle) {}

RfcTable RFC_CALL Create(char* name, unsigned leng, unsigned, unsigned) {
  auto* table = new FakeTable;
  table->name = name;
  table->row_length = leng;
  Tables().insert(table);
  return table;
}

unsigned RFC_CALL Fill(RfcTable handle) {
  auto* table = static_cast<FakeTable*>(handle);
  FUZZ_CHECK(Tables().count(table) != 0);
  return static_cast<unsigned>(table->rows.size());
}

void* RFC_CALL GetLine(RfcTable handle, unsigned row) {
  auto* table = static_cast<FakeTable*>(handle);
  FUZZ_CHECK(Tables().count(table) != 0);
  FUZZ_CHECK(row >= 1 && row <= table->rows.size());
  return table->rows[row - 1].get();
}

int RFC_CALL Delete(RfcTable handle) {
  auto* table = static_cast<FakeTable*>(handle);
  FUZZ_CHECK(Tables().erase(table) == 1);
  delete table;
  return 0;
}

void PutField(std::string* row, std::size_t offset, std::size_t length, std::string_view text) {
  std::string field(text.substr(0, length));
  field.resize(length, ' ');
  row->replace(offset, length, field);
}

void PutNumber(std::string* row, std::size_t offset, std::uint32_t value) {
  row->replace(offset, 4, reinterpret_cast<const char*>(&value), 4);
}

}  // namespace

void InstallFakeRfcLibrary(tolvaran::RunState& rs, const FakeLandscape* with) {
  for (FakeTable* table : Tables()) delete table;
  Tables().clear();
  landscape = with;
  last_function.clear();
  tolvaran::RfcLibrary& lib = rs.rfc.lib;
  lib.RfcEnvironment = &Environment;
  lib.RfcOpen = &Open;
  lib.RfcOpenEx = &OpenEx;
  lib.RfcInstallStructure = &InstallStructure;
  lib.RfcCall = &Call;
  lib.RfcReceive = &Receive;
  lib.RfcLastError = &LastError;
  lib.RfcClose = &Close;
  lib.ItCreate = &Create;
  lib.ItFill = &Fill;
  lib.ItGetLine = &GetLine;
  lib.ItDelete = &Delete;
  rs.rfc.loaded = true;
}

std::size_t FakeTablesAlive() { return Tables().size(); }

std::string UserRow(std::string_view client, std::string_view user, std::string_view tcode,
                    std::string_view terminal, std::uint32_t external, std::uint32_t internal) {
  std::string row(92, '\0');
  PutField(&row, 4, 3, client);
  PutField(&row, 7, 12, user);
  PutField(&row, 19, 20, tcode);
  PutField(&row, 39, 20, terminal);
  PutNumber(&row, 84, external);
  PutNumber(&row, 88, internal);
  return row;
}

std::vector<std::string> SampleUserRows() {
  return {UserRow("100", "SAPMON", "SM04", "term-a", 2, 5),
          UserRow("100", "SAPMON", "", "term-b", 1, 1),
          UserRow("000", "DDIC", "SE38", "console", 3, 9)};
}

}  // namespace tolvaran_fuzz
