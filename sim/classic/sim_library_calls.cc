// The simulated classic library's calls: installing row structures, RfcCall
// and RfcReceive with the answers of the simulated function modules, and
// the internal tables (It*) they are delivered in.
#include <cstring>
#include <string>
#include <vector>

#include "sim_config.h"
#include "sim_files.h"
#include "sim_landscape.h"
#include "sim_library.h"
#include "sim_rows.h"
#include "sim_tables.h"

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

// The successful answer: importing values and the function's table.
int Deliver(const SimSystem& system, OpenMode mode, const std::string& function,
            ParameterEntry* importing, TableEntry* tables, const std::string& status) {
  for (ParameterEntry* p = importing; p != nullptr && p->name != nullptr; ++p) {
    if (auto value = ImportingValue(function, EntryName(p->name, p->nlen), system)) {
      WriteValue(static_cast<unsigned char*>(p->addr), p->leng, p->type, *value);
    }
  }
  bool users = function == "THUSRINFO";
  const char* tableName = TableOf(function);
  for (TableEntry* t = tables; t != nullptr && t->name != nullptr; ++t) {
    std::string name = EntryName(t->name, t->nlen);
    if (*tableName == '\0' || !EqualsIgnoringCase(name, tableName)) continue;
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
    if (function == "TH_SERVER_LIST") {
      AppendServerRows(*table, *layout, system.servers.list());
      continue;
    }
    if (!users) {
      AppendCpuRow(*table, *layout);
      continue;
    }
    std::vector<UinfoField> fields;
    for (const FieldLayout& field : layout->fields) fields.push_back(UinfoFieldOf(field.name));
    UsersSource source = ParseUsersValue(system.users);
    if (source.kind == UsersSource::kGenerate) {
      table->Reserve(source.count);
      Session session;
      for (unsigned long i = 0; i < source.count; ++i) {
        FillGeneratedSession(i, system.client, &session);
        AppendSessionRow(*table, *layout, fields, session, i);
      }
    } else if (source.kind == UsersSource::kFile) {
      std::string text;
      if (!ReadWholeFile(FindIgnoringCase(source.file), &text)) {
        Failure f = MakeFailure("RFC_ERROR_PROGRAM", status,
                                "user list " + source.file + " of " + system.name +
                                    " cannot be read (simulation setup)",
                                "rc=-4 (simulation setup)");
        f.location = PartnerLocation(system, mode);
        Record(f);
        return kRfcFailure;
      }
      std::vector<Session> sessions = ParseUsersFile(text, system.usersUtf8);
      table->Reserve(sessions.size());
      for (std::size_t i = 0; i < sessions.size(); ++i) {
        AppendSessionRow(*table, *layout, fields, sessions[i], i);
      }
    }
  }
  return kRfcOk;
}

int CallFunction(RfcHandle handle, const char* function) {
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
  HangIfConfigured(connection.system, kOpRfcCall);
  if (Aborts(connection.system, connection.mode, kOpRfcCall, "RfcCall", status)) {
    return kRfcFailure;
  }
  Outcome outcome;
  if (name == "THUSRINFO") {
    outcome = connection.system.thusrinfo;
  } else if (name == "GET_CPU_ALL") {
    outcome = connection.system.getCpuAll;
  } else if (name == "TH_SERVER_LIST") {
    outcome = connection.system.thServerList;
  } else if (name == "RFC_SYSTEM_INFO") {
    outcome = connection.system.rfcSystemInfo;
  } else {
    outcome.kind = OutcomeKind::kSysException;
    outcome.name = "FU_NOT_FOUND";
  }
  if (outcome.kind == OutcomeKind::kCallFail) {
    Failure f = MakeFailure("RFC_ERROR_COMMUNICATION", status,
                            "connection to partner broken while sending " + name,
                            "rc=-1 (connection broken)");
    f.location = PartnerLocation(connection.system, connection.mode);
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
  HangIfConfigured(connection.system, kOpRfcReceive);
  // The partner's answer is awaited here: a slow system shows in RfcReceive.
  if (connection.pending) TakeConfiguredDelay(connection.system);
  if (Aborts(connection.system, connection.mode, kOpRfcReceive, "RfcReceive", status)) {
    return kRfcFailure;
  }
  if (!connection.pending) {
    Record(MakeFailure("RFC_ERROR_PROGRAM", status, "RfcReceive without a preceding RfcCall",
                       "rc=-2 (invalid parameter)"));
    return kRfcFailure;
  }
  const Outcome& outcome = connection.outcome;
  Failure f;
  f.status = status;
  f.location = PartnerLocation(connection.system, connection.mode);
  f.note = outcome.note;
  switch (outcome.kind) {
    case OutcomeKind::kOk:
      return Deliver(connection.system, connection.mode, function, importing, tables, status);
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
  // The simulated systems need nothing the caller sends.
  (void)exporting;
  (void)tables;
  try {
    return rfcsim::CallFunction(handle, function);
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

namespace {

// The program loads these by name into pointers of the interface's types; a
// signature that drifted from the interface should stop the build here.
[[maybe_unused]] constexpr RfcInstallStructureFn kInstallStructure = &RfcInstallStructure;
[[maybe_unused]] constexpr RfcCallFn kCall = &RfcCall;
[[maybe_unused]] constexpr RfcReceiveFn kReceive = &RfcReceive;
[[maybe_unused]] constexpr ItCreateFn kItCreate = &ItCreate;
[[maybe_unused]] constexpr ItFillFn kItFill = &ItFill;
[[maybe_unused]] constexpr ItGetLineFn kItGetLine = &ItGetLine;
[[maybe_unused]] constexpr ItDeleteFn kItDelete = &ItDelete;

}  // namespace
