// The simulated classic library's calls: installing row structures, RfcCall
// and RfcReceive with the answers of the simulated function modules, and
// the internal tables (It*) they are delivered in.
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sim_answers.h"
#include "sim_config.h"
#include "sim_functions.h"
#include "sim_landscape.h"
#include "sim_library.h"
#include "sim_rows.h"
#include "sim_tables.h"
#include "sim_unicode.h"

namespace rfcsim {

namespace {

// A name of a parameter or table entry: `nlen` characters when given, which
// need not be NUL-terminated, otherwise up to the NUL.
std::string EntryName(const char* name, unsigned nlen) {
  if (name == nullptr) return "";
  std::size_t length = 0;
  if (nlen == 0) {
    length = std::strlen(name);
  } else {
    while (length < nlen && name[length] != '\0') ++length;
  }
  return TrimTrailingBlanks(std::string_view(name, length));
}

InternalTable* FindTable(void* table) {
  LibraryState& s = State();
  auto it = s.tables.find(static_cast<InternalTable*>(table));
  return it == s.tables.end() ? nullptr : *it;
}

const RowLayout* FindStructure(RfcTypeHandle type) {
  LibraryState& s = State();
  if (type == 0 || type > s.structures.size()) return nullptr;
  return &s.structures[type - 1];
}

// The parameters and tables `function` is sent, as text by name.
CallInput ReadInput(const FunctionSpec& function, const std::string& language,
                    ParameterEntry* exporting, TableEntry* tables) {
  CallInput input;
  input.language = language;
  for (ParameterEntry* p = exporting; p != nullptr && p->name != nullptr; ++p) {
    std::string name = EntryName(p->name, p->nlen);
    if (function.FindParam(name) != nullptr && p->addr != nullptr) {
      input.params[name] = ReadValue(static_cast<const unsigned char*>(p->addr), p->leng, p->type);
    }
  }
  for (TableEntry* t = tables; t != nullptr && t->name != nullptr; ++t) {
    std::string name = EntryName(t->name, t->nlen);
    const TableSpec* spec = function.FindTable(name);
    InternalTable* table = FindTable(t->ithandle);
    const RowLayout* layout = FindStructure(t->type);
    if (spec == nullptr || table == nullptr || layout == nullptr) continue;
    auto rows = std::make_shared<CellRows>(spec->rowType);
    for (unsigned r = 1; r <= table->Rows(); ++r) {
      unsigned long row = rows->Append();
      for (const FieldLayout& field : layout->fields) {
        int index = spec->rowType->FieldIndex(field.name);
        if (index < 0 || field.offset >= table->RowLength()) continue;
        unsigned room = table->RowLength() - field.offset;
        rows->Set(row, static_cast<std::size_t>(index),
                  Latin1ToUtf16(ReadValue(table->Line(r) + field.offset,
                                          field.length < room ? field.length : room, field.type)));
      }
    }
    input.tables[name] = rows;
  }
  return input;
}

// A structure's first row as one character value: its character fields
// at their widths, one after the other (how RFC_SYSTEM_INFO's RFCSI_EXPORT
// is received as text).
std::string RecordText(RowSet& rows) {
  std::string record;
  for (std::size_t i = 0; i < rows.type()->count; ++i) {
    const FieldSpec& field = rows.type()->fields[i];
    std::optional<FieldValue> value = rows.Count() > 0 ? rows.Value(0, i) : std::nullopt;
    record += PadOrCut(value && value->isText ? value->Text() : "", field.length);
  }
  return record;
}

// The successful answer: importing values and the function's tables, laid
// out as the caller installed their row types.
int Deliver(const SimSystem& system, OpenMode mode, const Answer& answer, ParameterEntry* importing,
            TableEntry* tables, const std::string& status) {
  if (!answer.setupError.empty()) {
    Failure f =
        MakeFailure("RFC_ERROR_PROGRAM", status, answer.setupError, "rc=-4 (simulation setup)");
    f.location = PartnerLocation(system, mode);
    Record(f);
    return kRfcFailure;
  }
  for (ParameterEntry* p = importing; p != nullptr && p->name != nullptr; ++p) {
    std::string name = EntryName(p->name, p->nlen);
    auto value = answer.values.find(name);
    auto structure = answer.tables.find(name);
    if (value != answer.values.end()) {
      WriteValue(static_cast<unsigned char*>(p->addr), p->leng, p->type, value->second);
    } else if (structure != answer.tables.end()) {
      WriteValue(static_cast<unsigned char*>(p->addr), p->leng, p->type,
                 FieldValue::Text(RecordText(*structure->second)));
    }
  }
  for (TableEntry* t = tables; t != nullptr && t->name != nullptr; ++t) {
    std::string name = EntryName(t->name, t->nlen);
    auto found = answer.tables.find(name);
    if (found == answer.tables.end()) continue;
    InternalTable* table = FindTable(t->ithandle);
    const RowLayout* layout = FindStructure(t->type);
    if (table == nullptr || layout == nullptr) {
      Failure f = MakeFailure(
          "RFC_ERROR_PROGRAM", status,
          table == nullptr ? "table " + name + ": unknown internal table"
                           : "table " + name + ": unknown row type " + std::to_string(t->type),
          "rc=-2 (invalid parameter)");
      Record(f);
      return kRfcFailure;
    }
    RowSet& rows = *found->second;
    // The layout's fields as the answer's, looked up once: tables can be
    // long.
    std::vector<int> fields;
    for (const FieldLayout& field : layout->fields) {
      fields.push_back(rows.type()->FieldIndex(field.name));
    }
    table->Clear();
    table->Reserve(rows.Count());
    for (unsigned long r = 0; r < rows.Count(); ++r) {
      unsigned char* row = table->AppendRow();
      BlankCharacterFields(row, table->RowLength(), *layout);
      for (std::size_t i = 0; i < fields.size(); ++i) {
        if (fields[i] < 0) continue;
        if (auto value = rows.Value(r, static_cast<std::size_t>(fields[i]))) {
          WriteField(row, table->RowLength(), layout->fields[i], *value);
        }
      }
    }
  }
  return kRfcOk;
}

int CallFunction(RfcHandle handle, const char* function, ParameterEntry* exporting,
                 TableEntry* tables) {
  LibraryState& s = State();
  std::string name = TrimTrailingBlanks(function ? function : "");
  std::string status = "CALL " + name + " failed";
  auto it = s.connections.find(handle);
  if (it == s.connections.end()) {
    Record(MakeFailure("RFC_INVALID_HANDLE", status, "invalid handle " + std::to_string(handle),
                       "rc=-2 (invalid parameter)"));
    return kRfcFailure;
  }
  Connection& connection = it->second;
  connection.pending = false;
  HangIfConfigured(*connection.system, kOpRfcCall);
  if (Aborts(*connection.system, connection.mode, kOpRfcCall, "RfcCall", status)) {
    return kRfcFailure;
  }
  const FunctionSpec* spec = FindFunction(name);
  Outcome outcome;
  if (spec != nullptr) {
    outcome = connection.system->OutcomeOf(name);
    connection.input = ReadInput(*spec, connection.language, exporting, tables);
  } else {
    outcome.kind = OutcomeKind::kSysException;
    outcome.name = "FU_NOT_FOUND";
  }
  if (outcome.kind == OutcomeKind::kCallFail) {
    Failure f = MakeFailure("RFC_ERROR_COMMUNICATION", status,
                            "connection to partner broken while sending " + name,
                            "rc=-1 (connection broken)");
    f.location = PartnerLocation(*connection.system, connection.mode);
    Record(f);
    return kRfcFailure;
  }
  connection.pending = true;
  connection.function = name;
  connection.outcome = outcome;
  return kRfcOk;
}

int ReceiveResult(RfcHandle handle, ParameterEntry* importing, TableEntry* tables,
                  char** exception) {
  LibraryState& s = State();
  auto it = s.connections.find(handle);
  if (it == s.connections.end()) {
    Record(MakeFailure("RFC_INVALID_HANDLE", "RECEIVE failed",
                       "invalid handle " + std::to_string(handle), "rc=-2 (invalid parameter)"));
    return kRfcFailure;
  }
  // Copies: the error handler may close the connection.
  Connection connection = it->second;
  it->second.pending = false;
  const std::string& function = connection.function;
  std::string status = connection.pending ? "RECEIVE " + function + " failed" : "RECEIVE failed";
  HangIfConfigured(*connection.system, kOpRfcReceive);
  // The partner's answer is awaited here: a slow system shows in RfcReceive.
  if (connection.pending) TakeConfiguredDelay(*connection.system);
  if (Aborts(*connection.system, connection.mode, kOpRfcReceive, "RfcReceive", status)) {
    return kRfcFailure;
  }
  if (!connection.pending) {
    Record(MakeFailure("RFC_ERROR_PROGRAM", status, "RfcReceive without a preceding RfcCall",
                       "rc=-2 (invalid parameter)"));
    return kRfcFailure;
  }
  // The answer, and with it the outcome: a module may answer with an
  // exception of its own (RFC_READ_TABLE), or another server's (TH_WPINFO).
  Answer answer;
  answer.outcome = connection.outcome;
  if (const FunctionSpec* spec = FindFunction(function)) {
    if (connection.outcome.kind == OutcomeKind::kOk) {
      answer = AnswerCall(*spec, *connection.system, connection.input);
    }
  }
  const Outcome& outcome = answer.outcome;
  Failure f;
  f.status = status;
  f.location = PartnerLocation(*connection.system, connection.mode);
  f.note = outcome.note;
  switch (outcome.kind) {
    case OutcomeKind::kOk:
      return Deliver(*connection.system, connection.mode, answer, importing, tables, status);
    case OutcomeKind::kException:
    case OutcomeKind::kSysException: {
      bool system = outcome.kind == OutcomeKind::kSysException;
      s.exceptionName = outcome.name;
      if (exception != nullptr) *exception = s.exceptionName.data();
      f.key = system ? "RFC_ERROR_SYSTEM_FAILURE" : "RFC_ERROR_APPLICATION_EXCEPTION";
      f.message =
          function + (system ? " raised system exception " : " raised exception ") + outcome.name;
      f.intstat = system ? "rc=3 (system exception)" : "rc=2 (exception)";
      f.detail = (system ? "System exception " : "Exception ") + outcome.name;
      Record(f);
      return system ? kRfcSysException : kRfcException;
    }
    case OutcomeKind::kOther:
      if (outcome.code != kRfcOk) {
        f.key = "RFC_ERROR_UNKNOWN";
        f.message = function + " ended with return code " + std::to_string(outcome.code);
        f.intstat = "rc=" + std::to_string(outcome.code);
        Record(f);
      }
      return outcome.code;
    case OutcomeKind::kFailure:
    case OutcomeKind::kCallFail:
      break;
  }
  f.key = "RFC_ERROR_COMMUNICATION";
  f.message = "connection to partner broken while receiving " + function;
  f.intstat = "rc=-1 (connection broken)";
  Record(f);
  return kRfcFailure;
}

int InstallStructure(const char* name, const FieldDescriptor* fields, unsigned count,
                     RfcTypeHandle* out) {
  std::string shown = name ? name : "";
  std::string status = "INSTALL STRUCTURE " + shown + " failed";
  if (Fails(kOpRfcInstallStructure)) {
    Failure f = MakeFailure("RFC_ERROR_PROGRAM", status,
                            "structure " + shown + " could not be installed (simulated)",
                            "rc=-5 (simulated failure)");
    f.trace = false;
    Record(f);
    return kRfcFailure;
  }
  if (out == nullptr || (fields == nullptr && count > 0)) {
    Failure f =
        MakeFailure("RFC_ERROR_PROGRAM", status, "structure " + shown + ": invalid descriptors",
                    "rc=-2 (invalid parameter)");
    f.trace = false;
    Record(f);
    return kRfcFailure;
  }
  LibraryState& s = State();
  s.structures.push_back(ComputeRowLayout(name, fields, count));
  *out = static_cast<RfcTypeHandle>(s.structures.size());
  return kRfcOk;
}

}  // namespace

}  // namespace rfcsim

// The exported entry points. Each keeps C++ exceptions (only an exhausted
// memory can raise one here) from crossing into a C caller.

RFCSIM_EXPORT int RFC_CALL RfcInstallStructure(char* name, FieldDescriptor* fields, unsigned count,
                                               RfcTypeHandle* type) {
  try {
    return rfcsim::InstallStructure(name, fields, count, type);
  } catch (...) {
    return kRfcFailure;
  }
}

RFCSIM_EXPORT int RFC_CALL RfcCall(RfcHandle handle, char* function, ParameterEntry* exporting,
                                   TableEntry* tables) {
  try {
    return rfcsim::CallFunction(handle, function, exporting, tables);
  } catch (...) {
    return kRfcFailure;
  }
}

RFCSIM_EXPORT int RFC_CALL RfcReceive(RfcHandle handle, ParameterEntry* importing,
                                      TableEntry* tables, char** exception) {
  try {
    return rfcsim::ReceiveResult(handle, importing, tables, exception);
  } catch (...) {
    return kRfcFailure;
  }
}

RFCSIM_EXPORT RfcTable RFC_CALL ItCreate(char* name, unsigned leng, unsigned occu, unsigned memo) {
  // The name and the sizing hints change nothing in memory.
  (void)name;
  (void)occu;
  (void)memo;
  try {
    if (rfcsim::Fails(rfcsim::kOpItCreate)) return nullptr;
    auto* table = new rfcsim::InternalTable(leng);
    rfcsim::State().tables.insert(table);
    return table;
  } catch (...) {
    return nullptr;
  }
}

RFCSIM_EXPORT unsigned RFC_CALL ItFill(RfcTable table) {
  rfcsim::InternalTable* found = rfcsim::FindTable(table);
  return found ? found->Rows() : 0;
}

RFCSIM_EXPORT void* RFC_CALL ItGetLine(RfcTable table, unsigned row) {
  try {
    if (rfcsim::Fails(rfcsim::kOpItGetLine)) return nullptr;
    rfcsim::InternalTable* found = rfcsim::FindTable(table);
    return found ? found->Line(row) : nullptr;
  } catch (...) {
    return nullptr;
  }
}

RFCSIM_EXPORT int RFC_CALL ItDelete(RfcTable table) {
  try {
    if (rfcsim::Fails(rfcsim::kOpItDelete)) return 1;
    rfcsim::InternalTable* found = rfcsim::FindTable(table);
    if (found == nullptr) return 1;
    rfcsim::State().tables.erase(found);
    delete found;
    return 0;
  } catch (...) {
    return 1;
  }
}

RFCSIM_EXPORT void* RFC_CALL ItAppLine(RfcTable table) {
  try {
    rfcsim::InternalTable* found = rfcsim::FindTable(table);
    return found ? found->AppendRow() : nullptr;
  } catch (...) {
    return nullptr;
  }
}

RFCSIM_EXPORT int RFC_CALL ItFree(RfcTable table) {
  rfcsim::InternalTable* found = rfcsim::FindTable(table);
  if (found == nullptr) return 1;
  found->Clear();
  return 0;
}

namespace {

// The program loads these by name into pointers of the interface's types; a
// signature that drifted from the interface should stop the build here.
[[maybe_unused]] constexpr ItAppLineFn kItAppLine = &ItAppLine;
[[maybe_unused]] constexpr ItFreeFn kItFree = &ItFree;
[[maybe_unused]] constexpr RfcInstallStructureFn kInstallStructure = &RfcInstallStructure;
[[maybe_unused]] constexpr RfcCallFn kCall = &RfcCall;
[[maybe_unused]] constexpr RfcReceiveFn kReceive = &RfcReceive;
[[maybe_unused]] constexpr ItCreateFn kItCreate = &ItCreate;
[[maybe_unused]] constexpr ItFillFn kItFill = &ItFill;
[[maybe_unused]] constexpr ItGetLineFn kItGetLine = &ItGetLine;
[[maybe_unused]] constexpr ItDeleteFn kItDelete = &ItDelete;

}  // namespace
