// The simulated NetWeaver RFC library: libsapnwrfc.so / sapnwrfc.dll with
// the interface of src/rfc/nwrfc/nwrfc_api.h, answering from the same
// SapSim.ini as the classic simulator (sim/classic/sim_library.cc describes
// the file) by the same rules. What differs:
//
// Opening (RfcOpenConnection; parameter names ignore case):
//   ashost, sysnr        the system whose host (case ignored) and system
//                        number match, as RfcOpen mode 0 finds it; sysnr
//                        must be two digits
//   mshost, sysid        the system whose section name is the sysid and
//                        whose "mshost =" matches (case ignored)
//   client, user,        the logon, checked as the classic library checks
//   passwd, lang         it; any other parameter is passed over
// A system not found is RFC_COMMUNICATION_FAILURE, a logon refused
// RFC_LOGON_FAILURE ("Name or password is incorrect (repeat logon)").
//   dest                 the destination's section ("DEST=<dest>" up to the
//                        next "DEST=") of the configuration file adds its
//                        entries (ASHOST, SYSNR, MSHOST, SYSID, ...) to the
//                        parameters not given; the file is the one the
//                        environment variable RFC_INI names, read at every
//                        opening, else sapnwrfc.ini in the current
//                        directory. A destination not found there is
//                        RFC_INVALID_PARAMETER.
//
// Outcomes of RfcInvoke: failure and callfail RFC_COMMUNICATION_FAILURE;
// exception NAME RFC_ABAP_EXCEPTION with key NAME; sysexception NAME
// RFC_ABAP_RUNTIME_FAILURE with key NAME; other N RFC_UNKNOWN_ERROR (other
// 0: RFC_OK without rows). RfcGetFunctionDesc of a function other than
// THUSRINFO, GET_CPU_ALL, TH_SERVER_LIST and RFC_SYSTEM_INFO:
// RFC_ABAP_RUNTIME_FAILURE, key FU_NOT_FOUND. A system's instance sections
// ("[PRD/prdapp2_PRD_02]") are reached by "ashost" and "sysnr" alone.
//
// "fail =" names this library's operations (RfcOpenConnection,
// RfcCloseConnection, RfcGetFunctionDesc, RfcCreateFunction,
// RfcDestroyFunction, RfcSetChars, RfcInvoke, RfcGetTable, RfcGetRowCount,
// RfcMoveTo, RfcGetChars, RfcGetInt, RfcSetInt, RfcGetStructure): they
// fail with RFC_UNKNOWN_ERROR.
// RfcOpenConnection looks at the system it found; the others at the system
// of the most recent successful opening, before any at the lines before the
// first section. "hang =" takes RfcOpenConnection and RfcInvoke; "delay ="
// lengthens both. "abort =" is the classic library's alone.
//
// Containers: THUSRINFO has the table USR_TABL (structure UINFO: MANDT C3,
// BNAME C12, TCODE C20, TERM C20, ZEIT C6, MASTER C1, TRACE, EXTMODI,
// INTMODI, TID, HOSTADR integers); GET_CPU_ALL the parameters LOCAL_REMOTE
// C5 and LOGICAL_DESTINATION C32 (set by the caller), OP_SYSTEM C10 and a
// few more, and the table TF_CPU_ALL (integers). Names are exact upper
// case. TH_SERVER_LIST has the integer parameters ACTIVE_SERVER and
// SUBSYSTEM_AWARE (RfcSetInt; what is set changes nothing) and the table
// LIST (structure MSXXLIST: NAME C40, HOST C32, SERV C20; the raw fields
// are left out), RFC_SYSTEM_INFO the structure RFCSI_EXPORT (RfcGetStructure;
// the character fields of RFCSI at their widths) and three integers. Tables
// are empty, and RFCSI_EXPORT blank, until RfcInvoke succeeds; rows count from 0 and
// the current row starts at 0. RfcGetChars writes a character field at its
// length, blank-padded and not terminated, RFC_BUFFER_TOO_SMALL for a
// shorter buffer; RfcGetInt reads integer fields. Texts are the Latin-1
// bytes of the landscape as UTF-16, or with "users_encoding = utf-8" the
// user list's UTF-8 as UTF-16.
//
// RfcGetVersion: "7500.0.12" (7500, 0, 12), the text from the companion
// library libsapucum. No trace file is written.
// Single-threaded, like the program.

#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "nwrfc_model.h"
#include "rfc/nwrfc/nwrfc_api.h"
#include "sim_config.h"
#include "sim_files.h"
#include "sim_landscape.h"
#include "sim_rows.h"
#include "sim_unicode.h"

#ifdef _WIN32
#define NWRFCSIM_EXPORT extern "C" __declspec(dllexport)
#else
#define NWRFCSIM_EXPORT extern "C" __attribute__((visibility("default")))
#endif

using rfcsim::nw::Container;
using rfcsim::nw::Error;
using rfcsim::nw::FieldDef;
using rfcsim::nw::FieldType;
using rfcsim::nw::MakeError;

// From the companion library (sim/ucum), which this one imports as SAP's
// imports libsapucum: loading this library loads that one too.
extern "C" const char16_t* SimUcumVersionText();

// The handles' structures, which the interface leaves undefined.
struct NwRfcConnection {
  rfcsim::SimSystem system;
};

struct NwRfcFunctionDesc {
  const char* name;
  Container container;
};

struct NwRfcDataContainer {
  Container container;
  std::string function;  // a function module's name
  // A function module's: its parameters set or received, its tables.
  std::map<std::string, std::u16string> chars;
  std::map<std::string, std::unique_ptr<NwRfcDataContainer>> tables;
  bool invoked = false;
  // Integer parameters set by the caller.
  std::map<std::string, long long> ints;
  // A table's rows: the sessions of a user list (or how to generate them),
  // the servers of a server list, or the one CPU row.
  std::vector<rfcsim::Session> sessions;
  std::vector<rfcsim::SimServer> servers;
  bool generated = false;
  unsigned long generatedCount = 0;
  std::string client;
  unsigned rows = 0;
  unsigned current = 0;
  rfcsim::Session scratch;  // the generated session last asked for
  unsigned long scratchIndex = ~0ul;
};

namespace rfcsim {
namespace {

constexpr char kIniName[] = "sapnwrfc.ini";

struct State {
  std::set<NwRfcConnection*> connections;
  std::set<NwRfcDataContainer*> containers;  // function modules and their tables
  bool hasCurrent = false;
  OperationSet currentFail = 0;
};

State& Lib() {
  static State* state = new State();
  return *state;
}

NwRfcFunctionDesc kFunctionDescs[] = {
    {"THUSRINFO", Container::kThusrinfo},
    {"GET_CPU_ALL", Container::kGetCpuAll},
    {"TH_SERVER_LIST", Container::kThServerList},
    {"RFC_SYSTEM_INFO", Container::kRfcSystemInfo},
};

NwRfcFunctionDesc* FindDesc(std::string_view name) {
  for (NwRfcFunctionDesc& desc : kFunctionDescs) {
    if (name == desc.name) return &desc;
  }
  return nullptr;
}

bool IsDesc(const NwRfcFunctionDesc* handle) {
  for (const NwRfcFunctionDesc& desc : kFunctionDescs) {
    if (handle == &desc) return true;
  }
  return false;
}

RFC_RC Report(const Error& error, RFC_ERROR_INFO* info) {
  nw::FillErrorInfo(error, info);
  return error.code;
}

bool Fails(Operation op) {
  State& s = Lib();
  OperationSet set = s.hasCurrent ? s.currentFail : ReadLandscape().globalFail;
  return (set & op) != 0;
}

Error Simulated(const char* operation) {
  return MakeError(RFC_UNKNOWN_ERROR, std::string(operation) + ": simulated failure");
}

Error InvalidHandle(const char* what) {
  return MakeError(RFC_INVALID_HANDLE, std::string("invalid ") + what + " handle");
}

NwRfcDataContainer* Live(DATA_CONTAINER_HANDLE handle) {
  State& s = Lib();
  return s.containers.count(handle) != 0 ? handle : nullptr;
}

void Forget(NwRfcDataContainer* container) {
  for (auto& table : container->tables) Lib().containers.erase(table.second.get());
  Lib().containers.erase(container);
}

// The current row's session of a user-list table.
const Session& CurrentSession(NwRfcDataContainer& table) {
  if (!table.generated) return table.sessions[table.current];
  if (table.scratchIndex != table.current) {
    FillGeneratedSession(table.current, table.client, &table.scratch);
    table.scratchIndex = table.current;
  }
  return table.scratch;
}

// Fills the function's tables from the system's answer.
Error Deliver(NwRfcDataContainer& function, const SimSystem& system) {
  for (auto& entry : function.tables) entry.second->rows = 0;
  auto table = [&function](const char* name, Container kind) -> NwRfcDataContainer& {
    std::unique_ptr<NwRfcDataContainer>& slot = function.tables[name];
    if (!slot) {
      slot = std::make_unique<NwRfcDataContainer>();
      slot->container = kind;
      Lib().containers.insert(slot.get());
    }
    slot->current = 0;
    return *slot;
  };
  if (function.container == Container::kGetCpuAll) {
    function.chars["OP_SYSTEM"] =
        Latin1ToUtf16(ImportingValue("GET_CPU_ALL", "OP_SYSTEM", system)->Text());
    table("TF_CPU_ALL", Container::kTfCpuAll).rows = 1;
    return Error();
  }
  if (function.container == Container::kThServerList) {
    NwRfcDataContainer& list = table("LIST", Container::kList);
    list.servers = system.servers;
    list.rows = static_cast<unsigned>(list.servers.size());
    return Error();
  }
  if (function.container == Container::kRfcSystemInfo) {
    NwRfcDataContainer& rfcsi = table("RFCSI_EXPORT", Container::kRfcsi);
    for (unsigned i = 0; i < kRfcsiFieldCount; ++i) {
      rfcsi.chars[kRfcsiFields[i].name] =
          Latin1ToUtf16(SystemInfoValue(kRfcsiFields[i].name, system)->Text());
    }
    return Error();
  }
  NwRfcDataContainer& users = table("USR_TABL", Container::kUsrTabl);
  users.sessions.clear();
  users.generated = false;
  users.scratchIndex = ~0ul;
  UsersSource source = ParseUsersValue(system.users);
  if (source.kind == UsersSource::kGenerate) {
    users.generated = true;
    users.generatedCount = source.count;
    users.client = system.client;
    users.rows = static_cast<unsigned>(source.count);
  } else if (source.kind == UsersSource::kFile) {
    std::string text;
    if (!ReadWholeFile(FindIgnoringCase(source.file), &text)) {
      return MakeError(
          RFC_COMMUNICATION_FAILURE,
          "user list " + source.file + " of " + system.name + " cannot be read (simulation setup)");
    }
    users.sessions = ParseUsersFile(text, system.usersUtf8);
    users.rows = static_cast<unsigned>(users.sessions.size());
  }
  return Error();
}

// A field of a container or of a table's current row.
Error Lookup(NwRfcDataContainer* container, const SAP_UC* name, const FieldDef** field) {
  if (container == nullptr) return InvalidHandle("data container");
  std::string shown = nw::Narrow(name);
  *field = nw::FindField(container->container, shown);
  if (*field == nullptr) return MakeError(RFC_INVALID_PARAMETER, "field '" + shown + "' not found");
  if (IsTable(container->container) && container->current >= container->rows) {
    return MakeError(RFC_ILLEGAL_STATE, "table has no current row");
  }
  return Error();
}

std::u16string CharValue(NwRfcDataContainer& container, const FieldDef& field) {
  if (container.container == Container::kList) {
    std::optional<FieldValue> value =
        ServerValue(field.name, container.servers[container.current], container.current);
    return value ? Latin1ToUtf16(value->Text()) : std::u16string();
  }
  if (container.container != Container::kUsrTabl) {
    auto it = container.chars.find(field.name);
    return it == container.chars.end() ? std::u16string() : it->second;
  }
  const Session& session = CurrentSession(container);
  UinfoField which = UinfoFieldOf(field.name);
  if (session.hasWide) {
    int index = which == UinfoField::kMandt   ? 0
                : which == UinfoField::kBname ? 1
                : which == UinfoField::kTcode ? 2
                : which == UinfoField::kTerm  ? 3
                                              : -1;
    if (index >= 0) return session.wide[index];
  }
  std::optional<FieldValue> value = UinfoValue(which, session, container.current);
  return value ? Latin1ToUtf16(value->Text()) : std::u16string();
}

long long IntValue(NwRfcDataContainer& container, const FieldDef& field) {
  if (container.container == Container::kUsrTabl) {
    std::optional<FieldValue> value =
        UinfoValue(UinfoFieldOf(field.name), CurrentSession(container), container.current);
    return value ? value->number : 0;
  }
  if (container.container == Container::kTfCpuAll) {
    std::optional<FieldValue> value = CpuValue(field.name);
    return value ? value->number : 0;
  }
  return 0;
}

// "dest": the destination's entries from the configuration file join the
// parameters, which keep what they give themselves.
Error AddDestinationEntries(std::map<std::string, std::string>* parameters) {
  auto dest = parameters->find("dest");
  if (dest == parameters->end()) return Error();
  std::filesystem::path file = LibraryConfigPath(kIniName);
  std::string text;
  std::map<std::string, std::string> entries;
  if (!ReadWholeFile(file, &text) || !ReadDestinationEntries(text, dest->second, &entries)) {
    return MakeError(RFC_INVALID_PARAMETER, "Parameter DEST '" + dest->second + "' not found in " +
                                                file.filename().string());
  }
  parameters->insert(entries.begin(), entries.end());
  return Error();
}

RFC_CONNECTION_HANDLE Open(const RFC_CONNECTION_PARAMETER* params, unsigned count,
                           RFC_ERROR_INFO* info) {
  const SimConfig& config = ReadLandscape();
  std::map<std::string, std::string> parameters = nw::ReadParameters(params, count);
  Error unknown = AddDestinationEntries(&parameters);
  if (unknown.code != RFC_OK) {
    Report(unknown, info);
    return nullptr;
  }
  nw::Found found = nw::FindSystem(config, parameters);
  if (found.system == nullptr) {
    Report(found.error, info);
    return nullptr;
  }
  const SimSystem& system = *found.system;
  HangIfConfigured(system, kOpRfcOpenConnection);
  TakeConfiguredDelay(system);
  if ((system.fail & kOpRfcOpenConnection) != 0) {
    Report(Simulated("RfcOpenConnection"), info);
    return nullptr;
  }
  Error logon = nw::CheckLogon(system, parameters);
  if (logon.code != RFC_OK) {
    Report(logon, info);
    return nullptr;
  }
  auto* connection = new NwRfcConnection{system};
  State& s = Lib();
  s.connections.insert(connection);
  s.hasCurrent = true;
  s.currentFail = system.fail;
  Report(Error(), info);
  return connection;
}

RFC_RC Invoke(RFC_CONNECTION_HANDLE connection, RFC_FUNCTION_HANDLE function,
              RFC_ERROR_INFO* info) {
  State& s = Lib();
  if (s.connections.count(connection) == 0) return Report(InvalidHandle("connection"), info);
  NwRfcDataContainer* f = Live(function);
  if (f == nullptr || !IsFunction(f->container)) return Report(InvalidHandle("function"), info);
  const SimSystem& system = connection->system;
  HangIfConfigured(system, kOpRfcInvoke);
  TakeConfiguredDelay(system);
  if (Fails(kOpRfcInvoke)) return Report(Simulated("RfcInvoke"), info);
  const Outcome& outcome = nw::OutcomeOf(system, f->container);
  Error error = nw::OutcomeError(outcome, f->function);
  if (error.code == RFC_OK && outcome.kind == OutcomeKind::kOk) error = Deliver(*f, system);
  return Report(error, info);
}

}  // namespace
}  // namespace rfcsim

using namespace rfcsim;

// The exported entry points. Each keeps C++ exceptions (only an exhausted
// memory can raise one here) from crossing into a C caller.

NWRFCSIM_EXPORT RFC_CONNECTION_HANDLE NWRFC_CALL
RfcOpenConnection(const RFC_CONNECTION_PARAMETER* connectionParams, unsigned paramCount,
                  RFC_ERROR_INFO* errorInfo) {
  try {
    return Open(connectionParams, paramCount, errorInfo);
  } catch (...) {
    Report(MakeError(RFC_MEMORY_INSUFFICIENT, "out of memory"), errorInfo);
    return nullptr;
  }
}

NWRFCSIM_EXPORT RFC_RC NWRFC_CALL RfcCloseConnection(RFC_CONNECTION_HANDLE rfcHandle,
                                                     RFC_ERROR_INFO* errorInfo) {
  if (Fails(kOpRfcCloseConnection)) return Report(Simulated("RfcCloseConnection"), errorInfo);
  if (Lib().connections.erase(rfcHandle) == 0) {
    return Report(InvalidHandle("connection"), errorInfo);
  }
  delete rfcHandle;
  return Report(Error(), errorInfo);
}

NWRFCSIM_EXPORT RFC_FUNCTION_DESC_HANDLE NWRFC_CALL RfcGetFunctionDesc(
    RFC_CONNECTION_HANDLE rfcHandle, const SAP_UC* funcName, RFC_ERROR_INFO* errorInfo) {
  try {
    if (Lib().connections.count(rfcHandle) == 0) {
      Report(InvalidHandle("connection"), errorInfo);
      return nullptr;
    }
    if (Fails(kOpRfcGetFunctionDesc)) {
      Report(Simulated("RfcGetFunctionDesc"), errorInfo);
      return nullptr;
    }
    std::string name = nw::Narrow(funcName);
    NwRfcFunctionDesc* desc = FindDesc(name);
    if (desc == nullptr) {
      Report(MakeError(RFC_ABAP_RUNTIME_FAILURE, "function module " + name + " not found",
                       "FU_NOT_FOUND"),
             errorInfo);
      return nullptr;
    }
    Report(Error(), errorInfo);
    return desc;
  } catch (...) {
    Report(MakeError(RFC_MEMORY_INSUFFICIENT, "out of memory"), errorInfo);
    return nullptr;
  }
}

NWRFCSIM_EXPORT RFC_FUNCTION_HANDLE NWRFC_CALL
RfcCreateFunction(RFC_FUNCTION_DESC_HANDLE funcDescHandle, RFC_ERROR_INFO* errorInfo) {
  try {
    if (!IsDesc(funcDescHandle)) {
      Report(InvalidHandle("function description"), errorInfo);
      return nullptr;
    }
    if (Fails(kOpRfcCreateFunction)) {
      Report(Simulated("RfcCreateFunction"), errorInfo);
      return nullptr;
    }
    auto* function = new NwRfcDataContainer();
    function->container = funcDescHandle->container;
    function->function = funcDescHandle->name;
    Lib().containers.insert(function);
    Report(Error(), errorInfo);
    return function;
  } catch (...) {
    Report(MakeError(RFC_MEMORY_INSUFFICIENT, "out of memory"), errorInfo);
    return nullptr;
  }
}

NWRFCSIM_EXPORT RFC_RC NWRFC_CALL RfcDestroyFunction(RFC_FUNCTION_HANDLE funcHandle,
                                                     RFC_ERROR_INFO* errorInfo) {
  NwRfcDataContainer* function = Live(funcHandle);
  if (function == nullptr || !function->function.size()) {
    return Report(InvalidHandle("function"), errorInfo);
  }
  if (Fails(kOpRfcDestroyFunction)) return Report(Simulated("RfcDestroyFunction"), errorInfo);
  Forget(function);
  delete function;
  return Report(Error(), errorInfo);
}

NWRFCSIM_EXPORT RFC_RC NWRFC_CALL RfcSetChars(DATA_CONTAINER_HANDLE dataHandle, const SAP_UC* name,
                                              const RFC_CHAR* charValue, unsigned valueLength,
                                              RFC_ERROR_INFO* errorInfo) {
  try {
    if (Fails(kOpRfcSetChars)) return Report(Simulated("RfcSetChars"), errorInfo);
    const FieldDef* field = nullptr;
    NwRfcDataContainer* container = Live(dataHandle);
    Error error = Lookup(container, name, &field);
    if (error.code != RFC_OK) return Report(error, errorInfo);
    if (field->type != FieldType::kChar) {
      return Report(MakeError(RFC_CONVERSION_FAILURE,
                              std::string("field ") + field->name + " is not a character field"),
                    errorInfo);
    }
    if (valueLength > field->length || (charValue == nullptr && valueLength > 0)) {
      return Report(
          MakeError(RFC_CONVERSION_FAILURE, std::string("value of ") + std::to_string(valueLength) +
                                                " characters does not fit field " + field->name +
                                                " (" + std::to_string(field->length) + ")"),
          errorInfo);
    }
    container->chars[field->name] =
        PadOrCutWide(std::u16string_view(charValue ? charValue : u"", valueLength), field->length);
    return Report(Error(), errorInfo);
  } catch (...) {
    return Report(MakeError(RFC_MEMORY_INSUFFICIENT, "out of memory"), errorInfo);
  }
}

NWRFCSIM_EXPORT RFC_RC NWRFC_CALL RfcInvoke(RFC_CONNECTION_HANDLE rfcHandle,
                                            RFC_FUNCTION_HANDLE funcHandle,
                                            RFC_ERROR_INFO* errorInfo) {
  try {
    return Invoke(rfcHandle, funcHandle, errorInfo);
  } catch (...) {
    return Report(MakeError(RFC_MEMORY_INSUFFICIENT, "out of memory"), errorInfo);
  }
}

namespace rfcsim {
namespace {

// RfcGetTable and RfcGetStructure: the function's table or structure
// `name`, made when first asked for, as `find` knows them.
RFC_RC GetPart(DATA_CONTAINER_HANDLE dataHandle, const SAP_UC* name, DATA_CONTAINER_HANDLE* handle,
               bool (*find)(Container, std::string_view, Container*), RFC_ERROR_INFO* errorInfo) {
  NwRfcDataContainer* function = Live(dataHandle);
  if (function == nullptr) return Report(InvalidHandle("data container"), errorInfo);
  std::string shown = nw::Narrow(name);
  Container kind;
  if (!find(function->container, shown, &kind) || handle == nullptr) {
    return Report(MakeError(RFC_INVALID_PARAMETER, "field '" + shown + "' not found"), errorInfo);
  }
  std::unique_ptr<NwRfcDataContainer>& slot = function->tables[shown];
  if (!slot) {
    slot = std::make_unique<NwRfcDataContainer>();
    slot->container = kind;
    Lib().containers.insert(slot.get());
  }
  *handle = slot.get();
  return Report(Error(), errorInfo);
}

}  // namespace
}  // namespace rfcsim

NWRFCSIM_EXPORT RFC_RC NWRFC_CALL RfcGetTable(DATA_CONTAINER_HANDLE dataHandle, const SAP_UC* name,
                                              RFC_TABLE_HANDLE* tableHandle,
                                              RFC_ERROR_INFO* errorInfo) {
  try {
    if (Fails(kOpRfcGetTable)) return Report(Simulated("RfcGetTable"), errorInfo);
    return GetPart(dataHandle, name, tableHandle, &nw::FindTable, errorInfo);
  } catch (...) {
    return Report(MakeError(RFC_MEMORY_INSUFFICIENT, "out of memory"), errorInfo);
  }
}

NWRFCSIM_EXPORT RFC_RC NWRFC_CALL RfcGetStructure(DATA_CONTAINER_HANDLE dataHandle,
                                                  const SAP_UC* name,
                                                  RFC_STRUCTURE_HANDLE* structHandle,
                                                  RFC_ERROR_INFO* errorInfo) {
  try {
    if (Fails(kOpRfcGetStructure)) return Report(Simulated("RfcGetStructure"), errorInfo);
    return GetPart(dataHandle, name, structHandle, &nw::FindStructure, errorInfo);
  } catch (...) {
    return Report(MakeError(RFC_MEMORY_INSUFFICIENT, "out of memory"), errorInfo);
  }
}

NWRFCSIM_EXPORT RFC_RC NWRFC_CALL RfcSetInt(DATA_CONTAINER_HANDLE dataHandle, const SAP_UC* name,
                                            RFC_INT value, RFC_ERROR_INFO* errorInfo) {
  try {
    if (Fails(kOpRfcSetInt)) return Report(Simulated("RfcSetInt"), errorInfo);
    const FieldDef* field = nullptr;
    NwRfcDataContainer* container = Live(dataHandle);
    Error error = Lookup(container, name, &field);
    if (error.code != RFC_OK) return Report(error, errorInfo);
    if (field->type != FieldType::kInt) {
      return Report(MakeError(RFC_CONVERSION_FAILURE,
                              std::string("field ") + field->name + " is not an integer field"),
                    errorInfo);
    }
    container->ints[field->name] = value;
    return Report(Error(), errorInfo);
  } catch (...) {
    return Report(MakeError(RFC_MEMORY_INSUFFICIENT, "out of memory"), errorInfo);
  }
}

NWRFCSIM_EXPORT RFC_RC NWRFC_CALL RfcGetRowCount(RFC_TABLE_HANDLE tableHandle, unsigned* rowCount,
                                                 RFC_ERROR_INFO* errorInfo) {
  if (Fails(kOpRfcGetRowCount)) return Report(Simulated("RfcGetRowCount"), errorInfo);
  NwRfcDataContainer* table = Live(tableHandle);
  if (table == nullptr || !IsTable(table->container)) {
    return Report(InvalidHandle("table"), errorInfo);
  }
  if (rowCount == nullptr) {
    return Report(MakeError(RFC_INVALID_PARAMETER, "no place for the row count"), errorInfo);
  }
  *rowCount = table->rows;
  return Report(Error(), errorInfo);
}

NWRFCSIM_EXPORT RFC_RC NWRFC_CALL RfcMoveTo(RFC_TABLE_HANDLE tableHandle, unsigned index,
                                            RFC_ERROR_INFO* errorInfo) {
  if (Fails(kOpRfcMoveTo)) return Report(Simulated("RfcMoveTo"), errorInfo);
  NwRfcDataContainer* table = Live(tableHandle);
  if (table == nullptr || !IsTable(table->container)) {
    return Report(InvalidHandle("table"), errorInfo);
  }
  if (index >= table->rows) {
    return Report(MakeError(RFC_TABLE_MOVE_EOF,
                            "row " + std::to_string(index) + " of " + std::to_string(table->rows)),
                  errorInfo);
  }
  table->current = index;
  return Report(Error(), errorInfo);
}

NWRFCSIM_EXPORT RFC_RC NWRFC_CALL RfcGetChars(DATA_CONTAINER_HANDLE dataHandle, const SAP_UC* name,
                                              RFC_CHAR* charBuffer, unsigned bufferLength,
                                              RFC_ERROR_INFO* errorInfo) {
  try {
    if (Fails(kOpRfcGetChars)) return Report(Simulated("RfcGetChars"), errorInfo);
    const FieldDef* field = nullptr;
    NwRfcDataContainer* container = Live(dataHandle);
    Error error = Lookup(container, name, &field);
    if (error.code == RFC_OK) {
      error = nw::WriteChars(
          field->type == FieldType::kChar ? CharValue(*container, *field) : std::u16string(),
          *field, charBuffer, bufferLength);
    }
    return Report(error, errorInfo);
  } catch (...) {
    return Report(MakeError(RFC_MEMORY_INSUFFICIENT, "out of memory"), errorInfo);
  }
}

NWRFCSIM_EXPORT RFC_RC NWRFC_CALL RfcGetInt(DATA_CONTAINER_HANDLE dataHandle, const SAP_UC* name,
                                            RFC_INT* value, RFC_ERROR_INFO* errorInfo) {
  try {
    if (Fails(kOpRfcGetInt)) return Report(Simulated("RfcGetInt"), errorInfo);
    const FieldDef* field = nullptr;
    NwRfcDataContainer* container = Live(dataHandle);
    Error error = Lookup(container, name, &field);
    if (error.code != RFC_OK) return Report(error, errorInfo);
    if (field->type != FieldType::kInt || value == nullptr) {
      return Report(MakeError(RFC_CONVERSION_FAILURE,
                              std::string("field ") + field->name + " is not an integer field"),
                    errorInfo);
    }
    *value = static_cast<RFC_INT>(IntValue(*container, *field));
    return Report(Error(), errorInfo);
  } catch (...) {
    return Report(MakeError(RFC_MEMORY_INSUFFICIENT, "out of memory"), errorInfo);
  }
}

NWRFCSIM_EXPORT const SAP_UC* NWRFC_CALL RfcGetVersion(unsigned* majorVersion,
                                                       unsigned* minorVersion,
                                                       unsigned* patchLevel) {
  if (majorVersion != nullptr) *majorVersion = 7500;
  if (minorVersion != nullptr) *minorVersion = 0;
  if (patchLevel != nullptr) *patchLevel = 12;
  return SimUcumVersionText();
}

namespace {

// The program loads these by name into pointers of the interface's types; a
// signature that drifted from the interface should stop the build here.
[[maybe_unused]] constexpr NwRfcOpenConnectionFn kOpenConnection = &RfcOpenConnection;
[[maybe_unused]] constexpr NwRfcCloseConnectionFn kCloseConnection = &RfcCloseConnection;
[[maybe_unused]] constexpr NwRfcGetFunctionDescFn kGetFunctionDesc = &RfcGetFunctionDesc;
[[maybe_unused]] constexpr NwRfcCreateFunctionFn kCreateFunction = &RfcCreateFunction;
[[maybe_unused]] constexpr NwRfcDestroyFunctionFn kDestroyFunction = &RfcDestroyFunction;
[[maybe_unused]] constexpr NwRfcSetCharsFn kSetChars = &RfcSetChars;
[[maybe_unused]] constexpr NwRfcInvokeFn kInvoke = &RfcInvoke;
[[maybe_unused]] constexpr NwRfcGetTableFn kGetTable = &RfcGetTable;
[[maybe_unused]] constexpr NwRfcGetStructureFn kGetStructure = &RfcGetStructure;
[[maybe_unused]] constexpr NwRfcSetIntFn kSetInt = &RfcSetInt;
[[maybe_unused]] constexpr NwRfcGetRowCountFn kGetRowCount = &RfcGetRowCount;
[[maybe_unused]] constexpr NwRfcMoveToFn kMoveTo = &RfcMoveTo;
[[maybe_unused]] constexpr NwRfcGetCharsFn kGetChars = &RfcGetChars;
[[maybe_unused]] constexpr NwRfcGetIntFn kGetInt = &RfcGetInt;
[[maybe_unused]] constexpr NwRfcGetVersionFn kGetVersion = &RfcGetVersion;

}  // namespace
