#include "fake_classic_library.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "rfc/classic/classic_layout.h"

namespace tolvaran {

namespace {

FakeClassicState& State() {
  static FakeClassicState state;
  return state;
}

void Trail(std::string entry) {
  if (State().recording) State().trail.push_back(std::move(entry));
}

void Fault(const std::string& what) {
  FakeClassicState& s = State();
  if (s.onFault) {
    s.onFault(what);
  } else {
    s.faults.push_back(what);
  }
}

// Reads a text to its terminator; AddressSanitizer reports a missing one.
std::optional<std::string> Copy(const char* text) {
  if (text == nullptr) return std::nullopt;
  return std::string(text);
}

std::vector<FakeParam> ParamList(const ParameterEntry* list) {
  std::vector<FakeParam> out;
  if (!list) {
    Fault("a parameter list is null");
    return out;
  }
  for (; list->name; ++list) {
    if (std::strlen(list->name) != list->nlen) Fault(std::string("nlen of ") + list->name);
    std::string bytes;
    if (list->addr) bytes.assign(static_cast<const char*>(list->addr), list->leng);
    out.push_back({std::string(list->name, list->nlen), list->nlen, list->type, list->leng,
                   list->addr, bytes});
  }
  return out;
}

std::vector<FakeTableRef> TableList(const TableEntry* list) {
  std::vector<FakeTableRef> out;
  if (!list) {
    Fault("a table list is null");
    return out;
  }
  for (; list->name; ++list) {
    if (std::strlen(list->name) != list->nlen) Fault(std::string("nlen of ") + list->name);
    out.push_back({std::string(list->name, list->nlen), list->nlen, list->type, list->leng,
                   list->ithandle, list->itmode, list->newitab});
  }
  return out;
}

// A live table of this library; a fault for anything else.
FakeTable* LiveTable(void* handle, const char* operation) {
  for (auto& t : State().tables) {
    if (t.get() == handle) {
      if (t->deleted) break;
      return t.get();
    }
  }
  Fault(std::string(operation) + " on a table that is not alive");
  return nullptr;
}

// Type handles are the install's position plus 100, so that a table
// entry's row type leads back to the fields the program described.
const FakeInstall* FindType(unsigned type) {
  const FakeClassicState& s = State();
  if (type < 100 || type - 100 >= s.installs.size()) return nullptr;
  return &s.installs[type - 100];
}

// The library reports an error from inside the entry point `name` when the
// test asked for it: through the handler, which never returns.
void MaybeAbort(const char* name) {
  FakeClassicState& s = State();
  if (s.abortIn != name) return;
  if (s.environments.empty() || s.environments.back().errorhandler == nullptr) {
    Fault(std::string("error in ") + name + " without an installed error handler");
    return;
  }
  std::vector<char> operation(s.abortOperation.begin(), s.abortOperation.end());
  operation.push_back('\0');
  s.environments.back().errorhandler(operation.data());
  Fault("the error handler returned into the library");
}

void AddRow(FakeTable* table, const std::string& bytes) {
  auto row = std::make_unique<unsigned char[]>(table->leng);
  std::memset(row.get(), 0, table->leng);
  std::memcpy(row.get(), bytes.data(), std::min<std::size_t>(bytes.size(), table->leng));
  table->rows.push_back(std::move(row));
}

// True when the table's row type is the structure `name` as the layout
// table describes it; a fault otherwise.
bool HasRowType(const FakeTableRef& ref, const char* name, const FieldLayout* fields,
                unsigned count) {
  const FakeInstall* type = FindType(ref.type);
  if (!type || type->name != name || type->count != count) {
    Fault(ref.name + " has no " + name + " row type");
    return false;
  }
  for (unsigned i = 0; i < count; ++i) {
    const FakeField& f = type->fields[i];
    if (f.name != fields[i].name || f.type != fields[i].type || f.length != fields[i].length) {
      Fault(std::string(name) + " field " + f.name + " is not the layout's");
    }
  }
  return true;
}

// The user list goes into a table whose row type is the UINFO structure
// as the layout table describes it.
void DeliverUserRows(const FakeTableRef& ref) {
  FakeTable* table = LiveTable(ref.ithandle, "RfcReceive");
  if (!table || !HasRowType(ref, "UINFO", kUinfoFields, kUinfoFieldCount)) return;
  if (State().userRowBlock) {
    table->block = State().userRowBlock;
    return;
  }
  for (const std::string& row : State().userRows) AddRow(table, row);
}

extern "C" void RFC_CALL LibEnvironment(RfcEnvironmentRecord* record) {
  FakeClassicState& s = State();
  Trail("RfcEnvironment");
  if (!record) {
    Fault("RfcEnvironment without a record");
    return;
  }
  s.environments.push_back(*record);
}

RfcHandle OpenFor(const std::optional<std::string>& destination, RfcHandle handle) {
  if (!State().refuseOddDestinations) return handle;
  if (!destination || destination->empty()) return 0;
  return (static_cast<unsigned char>((*destination)[0]) & 1) ? 0 : handle;
}

extern "C" RfcHandle RFC_CALL LibOpen(RfcOpenOptions* options) {
  FakeClassicState& s = State();
  if (!options) {
    Fault("RfcOpen without options");
    return 0;
  }
  FakeOpen seen;
  seen.destination = Copy(options->destination);
  seen.client = Copy(options->client);
  seen.user = Copy(options->user);
  seen.password = Copy(options->password);
  seen.passwordAt = options->password;
  seen.language = Copy(options->language);
  seen.mode = options->mode;
  seen.trace = options->trace;
  seen.connopt = options->connopt;
  if (options->mode == 1) {
    const auto* gateway = static_cast<const GatewayOptions*>(options->connopt);
    seen.gatewayHost = Copy(gateway->gateway_host);
    seen.gatewayService = Copy(gateway->gateway_service);
  } else if (options->mode == 0) {
    const auto* host = static_cast<const HostOptions*>(options->connopt);
    seen.hostname = Copy(host->hostname);
    seen.sysnr = host->sysnr;
    seen.gatewayHost = Copy(host->gateway_host);
    seen.gatewayService = Copy(host->gateway_service);
  } else {
    Fault("RfcOpen mode " + std::to_string(options->mode));
  }
  Trail("RfcOpen " + seen.destination.value_or("(null)"));
  s.opens.push_back(seen);
  MaybeAbort("RfcOpen");
  return OpenFor(seen.destination, s.openResult);
}

extern "C" RfcHandle RFC_CALL LibOpenEx(char* connect, RfcErrorRecord* error) {
  FakeClassicState& s = State();
  FakeOpenEx seen;
  seen.connect = connect ? connect : "(null)";
  seen.connectAt = connect;
  seen.errorRecord = error != nullptr;
  if (!error) Fault("RfcOpenEx without an error record");
  Trail("RfcOpenEx");
  s.openExes.push_back(seen);
  if (s.duringOpenEx) s.duringOpenEx();
  MaybeAbort("RfcOpenEx");
  std::optional<std::string> destination;
  std::size_t dest = seen.connect.find(" DEST=");
  if (dest != std::string::npos) destination = seen.connect.substr(dest + 6);
  return OpenFor(destination, s.openExResult);
}

extern "C" int RFC_CALL LibInstallStructure(char* name, FieldDescriptor* fields, unsigned count,
                                            RfcTypeHandle* handle) {
  FakeClassicState& s = State();
  FakeInstall installed{Copy(name).value_or("(null)"), count, {}};
  for (unsigned i = 0; i < count; ++i) {
    installed.fields.push_back({Copy(fields[i].name).value_or("(null)"), fields[i].type,
                                fields[i].length, fields[i].decimals, fields[i].offset});
  }
  Trail("RfcInstallStructure " + installed.name);
  s.installs.push_back(installed);
  MaybeAbort("RfcInstallStructure");
  if (s.installResult == 0) *handle = static_cast<RfcTypeHandle>(99 + s.installs.size());
  return s.installResult;
}

extern "C" int RFC_CALL LibCall(RfcHandle handle, char* function, ParameterEntry* exporting,
                                TableEntry* tables) {
  FakeClassicState& s = State();
  std::string name = Copy(function).value_or("(null)");
  if (handle == 0) Fault("RfcCall " + name + " without a connection");
  Trail("RfcCall " + name);
  FakeCall call{handle, name, ParamList(exporting), TableList(tables)};
  for (const FakeTableRef& t : call.tables) LiveTable(t.ithandle, "RfcCall");
  s.lastFunction = name;
  if (s.recording) s.calls.push_back(std::move(call));
  MaybeAbort("RfcCall");
  return s.callResult;
}

extern "C" int RFC_CALL LibReceive(RfcHandle handle, ParameterEntry* importing, TableEntry* tables,
                                   char** exception) {
  FakeClassicState& s = State();
  if (handle == 0) Fault("RfcReceive without a connection");
  Trail("RfcReceive");
  FakeReceive received{handle, ParamList(importing), TableList(tables), *exception == nullptr};
  if (s.recording) s.receives.push_back(received);
  MaybeAbort("RfcReceive");
  // Every received value is written in full, to the length the program
  // declared for it.
  for (ParameterEntry* p = importing; p && p->name; ++p) {
    std::memset(p->addr, p->type == kRfcTypeChar ? 'R' : 0x7F, p->leng);
  }
  const std::string& function = s.lastFunction;
  int outcome = function == "THUSRINFO"         ? s.userListOutcome
                : function == "TH_SERVER_LIST"  ? s.serverListOutcome
                : function == "RFC_SYSTEM_INFO" ? s.systemInfoOutcome
                                                : s.cpuOutcome;
  if (outcome == kRfcOk) {
    for (ParameterEntry* p = importing; p && p->name; ++p) {
      if (function == "RFC_SYSTEM_INFO" && std::string(p->name) == "RFCSI_EXPORT") {
        std::memcpy(p->addr, s.systemInfo.data(),
                    std::min<std::size_t>(s.systemInfo.size(), p->leng));
      }
    }
    for (const FakeTableRef& ref : received.tables) {
      if (ref.name == "USR_TABL") {
        DeliverUserRows(ref);
      } else if (ref.name == "LIST") {
        FakeTable* table = LiveTable(ref.ithandle, "RfcReceive");
        if (table && HasRowType(ref, "MSXXLIST", kMsxxlistFields, kMsxxlistFieldCount)) {
          for (const std::string& row : s.serverRows) AddRow(table, row);
        }
      } else if (FakeTable* table = LiveTable(ref.ithandle, "RfcReceive")) {
        AddRow(table, std::string(table->leng, '\x01'));
      }
    }
  }
  static char name[512];
  std::snprintf(name, sizeof name, "%s", s.exceptionName.c_str());
  if (!s.exceptionName.empty()) *exception = name;
  return outcome;
}

extern "C" int RFC_CALL LibLastError(ErrorInfo* info) {
  FakeClassicState& s = State();
  Trail("RfcLastError");
  ++s.lastErrorCalls;
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(info);
  s.lastErrorRecordWasZero =
      std::all_of(bytes, bytes + sizeof *info, [](unsigned char b) { return b == 0; });
  auto fill = [](char* field, std::size_t size, const std::string& text) {
    if (!text.empty()) std::memcpy(field, text.c_str(), std::min(size, text.size() + 1));
  };
  fill(info->key, sizeof info->key, s.errorKey);
  fill(info->status, sizeof info->status, s.errorStatus);
  fill(info->message, sizeof info->message, s.errorMessage);
  fill(info->intstat, sizeof info->intstat, s.errorIntstat);
  return s.lastErrorResult;
}

extern "C" void RFC_CALL LibClose(RfcHandle handle) {
  FakeClassicState& s = State();
  Trail("RfcClose " + std::to_string(handle));
  s.closed.push_back(handle);
  if (s.duringClose) s.duringClose();
}

extern "C" RfcTable RFC_CALL LibItCreate(char* name, unsigned leng, unsigned occu, unsigned memo) {
  FakeClassicState& s = State();
  std::string text = Copy(name).value_or("(null)");
  Trail("ItCreate " + text);
  MaybeAbort("ItCreate");
  if (s.createFails) return nullptr;
  s.tables.push_back(
      std::make_unique<FakeTable>(FakeTable{text, leng, occu, memo, false, {}, nullptr}));
  return s.tables.back().get();
}

extern "C" unsigned RFC_CALL LibItFill(RfcTable table) {
  FakeClassicState& s = State();
  Trail("ItFill");
  ++s.fillCalls;
  FakeTable* t = LiveTable(table, "ItFill");
  if (!t) return 0;
  if (t->block) return static_cast<unsigned>(t->block->size() / t->leng);
  return static_cast<unsigned>(t->rows.size());
}

extern "C" void* RFC_CALL LibItGetLine(RfcTable table, unsigned row) {
  FakeClassicState& s = State();
  if (s.recording) s.trail.push_back("ItGetLine " + std::to_string(row));
  if (s.recording) s.linesFetched.push_back(row);
  FakeTable* t = LiveTable(table, "ItGetLine");
  if (!t || row == s.getLineFailsAt) return nullptr;
  if (t->block) {
    if (row == 0 || row > t->block->size() / t->leng) {
      Fault("ItGetLine of row " + std::to_string(row) + " beyond the block");
      return nullptr;
    }
    return const_cast<char*>(t->block->data()) + static_cast<std::size_t>(row - 1) * t->leng;
  }
  if (row == 0 || row > t->rows.size()) {
    Fault("ItGetLine of row " + std::to_string(row) + " of " + std::to_string(t->rows.size()));
    return nullptr;
  }
  return t->rows[row - 1].get();
}

extern "C" int RFC_CALL LibItDelete(RfcTable table) {
  FakeClassicState& s = State();
  FakeTable* t = LiveTable(table, "ItDelete");
  Trail("ItDelete " + (t ? t->name : std::string("?")));
  if (s.recording) s.deleted.push_back(table);
  if (s.deleteResult == 0 && t) {
    t->deleted = true;
    t->rows.clear();
    if (!s.recording) {
      s.tables.erase(
          std::find_if(s.tables.begin(), s.tables.end(),
                       [t](const std::unique_ptr<FakeTable>& p) { return p.get() == t; }));
    }
  }
  return s.deleteResult;
}

void PutField(std::string* row, const char* name, std::string_view value) {
  for (unsigned i = 0; i < kUinfoFieldCount; ++i) {
    if (std::strcmp(kUinfoFields[i].name, name) != 0) continue;
    std::size_t offset = UinfoOffset(name);
    std::size_t length = kUinfoFields[i].length;
    std::string field(value.substr(0, length));
    field.resize(length, kUinfoFields[i].type == kRfcTypeChar ? ' ' : '\0');
    row->replace(offset, length, field);
  }
}

}  // namespace

FakeClassicState& FakeClassic() { return State(); }

ClassicLibrary ResetFakeClassic() {
  State() = FakeClassicState{};
  ClassicLibrary lib;
  lib.RfcEnvironment = &LibEnvironment;
  lib.RfcOpen = &LibOpen;
  lib.RfcOpenEx = &LibOpenEx;
  lib.RfcInstallStructure = &LibInstallStructure;
  lib.RfcCall = &LibCall;
  lib.RfcReceive = &LibReceive;
  lib.RfcLastError = &LibLastError;
  lib.RfcClose = &LibClose;
  lib.ItCreate = &LibItCreate;
  lib.ItFill = &LibItFill;
  lib.ItGetLine = &LibItGetLine;
  lib.ItDelete = &LibItDelete;
  return lib;
}

std::size_t FakeTablesAlive() {
  std::size_t alive = 0;
  for (const auto& t : State().tables) alive += t->deleted ? 0 : 1;
  return alive;
}

std::vector<std::string> TrailOf(std::string_view prefix) {
  std::vector<std::string> out;
  for (const std::string& entry : State().trail) {
    if (entry.compare(0, prefix.size(), prefix) == 0) out.push_back(entry);
  }
  return out;
}

std::string UinfoRow(const std::map<std::string, std::string>& values) {
  std::string row(kUinfoRowLength, '\0');
  for (unsigned i = 0; i < kUinfoFieldCount; ++i) {
    auto it = values.find(kUinfoFields[i].name);
    PutField(&row, kUinfoFields[i].name, it == values.end() ? "" : it->second);
  }
  return row;
}

std::string MsxxlistRow(std::string_view name, std::string_view host, std::string_view service) {
  std::string row(kMsxxlistRowLength, '\0');
  auto put = [&row](const char* field, std::string_view value, std::size_t width) {
    std::string text(value.substr(0, width));
    text.resize(width, ' ');
    row.replace(MsxxlistOffset(field), width, text);
  };
  put("NAME", name, 40);
  put("HOST", host, 32);
  put("SERV", service, 20);
  return row;
}

std::string RfcsiRecord(std::string_view destination) {
  std::string record(kRfcsiLength, ' ');
  auto put = [&record](const char* field, std::string_view value, std::size_t width) {
    record.replace(RfcsiOffset(field), std::min(value.size(), width), value.substr(0, width));
  };
  put("RFCPROTO", "011", 3);
  put("RFCDEST", destination, 32);
  put("RFCHOST", "prdapp1", 8);
  put("RFCSYSID", "PRD", 8);
  return record;
}

std::string Int4(std::uint32_t value) {
  std::string bytes(4, '\0');
  std::memcpy(&bytes[0], &value, 4);
  return bytes;
}

std::string UserRow(std::string_view client, std::string_view user, std::string_view tcode,
                    std::string_view terminal, std::uint32_t external, std::uint32_t internal) {
  return UinfoRow({{"TID", Int4(1)},
                   {"MANDT", std::string(client)},
                   {"BNAME", std::string(user)},
                   {"TCODE", std::string(tcode)},
                   {"TERM", std::string(terminal)},
                   {"ZEIT", "093000"},
                   {"MASTER", "MASTER"},
                   {"HOSTADR", std::string("\x0a\0\0\x01", 4)},
                   {"TRACE", std::string(1, '\0')},
                   {"EXTMODI", Int4(external)},
                   {"INTMODI", Int4(internal)}});
}

std::vector<std::string> SampleUserRows() {
  return {UserRow("100", "SAPMON", "SM04", "term-a", 2, 5),
          UserRow("100", "SAPMON", "", "term-b", 1, 1),
          UserRow("000", "DDIC", "SE38", "console", 3, 9)};
}

}  // namespace tolvaran
