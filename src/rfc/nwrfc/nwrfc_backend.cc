#include "rfc/nwrfc/nwrfc_backend.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/host.h"
#include "rfc/library_config.h"
#include "rfc/nwrfc/destination_section.h"
#include "rfc/nwrfc/nwrfc_text.h"
#include "rfc/trace_file.h"
#include "text/secret_wipe.h"

namespace tolvaran {

namespace {

// Logon parameters as the library takes them: UTF-16 names and values that
// stay in place for the call.
// The values include the password: wiped when the opening is done with
// them. Room is made first, so that no value is moved and left behind.
class ConnectionParameters {
 public:
  ConnectionParameters() {
    names_.reserve(kMost);
    values_.reserve(kMost);
  }
  ~ConnectionParameters() {
    for (std::u16string& value : values_) WipeSecret(&value);
  }
  ConnectionParameters(const ConnectionParameters&) = delete;
  ConnectionParameters& operator=(const ConnectionParameters&) = delete;

  void Add(const char16_t* name, std::string_view value) {
    names_.push_back(name);
    values_.push_back(BytesToSapUc(value));
  }
  void AddIfSet(const char16_t* name, std::string_view value) {
    if (!value.empty()) Add(name, value);
  }
  std::vector<RFC_CONNECTION_PARAMETER> Entries() const {
    std::vector<RFC_CONNECTION_PARAMETER> entries;
    for (std::size_t i = 0; i < names_.size(); ++i) {
      entries.push_back({names_[i], values_[i].c_str()});
    }
    return entries;
  }

 private:
  static constexpr std::size_t kMost = 16;
  std::vector<const char16_t*> names_;
  std::vector<std::u16string> values_;
};

// The logon parameters of SNC, when it is on.
void AddSnc(ConnectionParameters* parameters, const SncSettings& snc) {
  if (!snc.On()) return;
  parameters->Add(u"snc_mode", snc.mode);
  parameters->Add(u"snc_partnername", snc.partner);
  parameters->AddIfSet(u"snc_qop", snc.qop);
  parameters->AddIfSet(u"snc_myname", snc.myname);
  parameters->AddIfSet(u"snc_lib", snc.library);
}

// A character field as bytes without the blanks that fill it.
template <std::size_t N>
std::string TrimmedField(const SAP_UC (&field)[N]) {
  std::string text = SapUcToBytes(field, N);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.pop_back();
  return text;
}

class NetWeaverBackend final : public RfcBackend {
 public:
  NetWeaverBackend(Host& host, const NetWeaverLibrary& lib) : host_(host), lib_(lib) {}

  std::string Describe() override {
    unsigned major = 0, minor = 0, patch = 0;
    const SAP_UC* version = lib_.RfcGetVersion(&major, &minor, &patch);
    return "NetWeaver " + SapUcArrayToBytes(version, 64);
  }

  // The library reports every error through the return code of the call:
  // there is no handler to install.
  void InstallErrorHandler(AbortHandler) override {}

  ConnectionId Open(const ConnectionRequest& request,
                    const std::function<void()>& onConfigFile) override;
  std::string OpenRefusal() override { return refusal_; }
  QueryResult CallTable(ConnectionId connection, const TableCall& call, RowSink& sink) override;
  QueryResult ProbeCpu(ConnectionId connection) override;
  QueryResult FetchInstanceName(ConnectionId connection, std::string* name) override;

  void Close(ConnectionId connection) override {
    RFC_ERROR_INFO info = {};
    lib_.RfcCloseConnection(Handle(connection), &info);
  }

  FailureReport LastError(std::string_view operation) override {
    FailureReport report;
    report.operation = std::string(operation);
    report.key = SapUcArrayToBytes(last_.key);
    const char* rc = NwRfcRcName(last_.code);
    report.status = rc ? rc : std::to_string(static_cast<int>(last_.code));
    report.message = SapUcArrayToBytes(last_.message);
    const char* group = NwRfcErrorGroupName(last_.group);
    report.internalStatus = group ? group : std::to_string(static_cast<int>(last_.group));
    return report;
  }

  // This library writes no trace file; its last error message says what
  // went wrong. A trace file that another library left is still removed.
  std::string FailureDetail() override {
    DeleteTraceFile(host_);
    std::string message = SapUcArrayToBytes(last_.message);
    return message.empty() ? " - Please Check Trace-File !" : " - " + message;
  }

  // A trace file that the classic library left in the directory goes as
  // well, as after any check whose result was written.
  void DiscardTrace() override { DeleteTraceFile(host_); }

  void ReleaseAtDeadline() override { ReleaseLibraryConfigLock(); }

 private:
  static RFC_CONNECTION_HANDLE Handle(ConnectionId connection) {
    return reinterpret_cast<RFC_CONNECTION_HANDLE>(connection);
  }

  ConnectionId OpenWith(const ConnectionParameters& parameters) {
    std::vector<RFC_CONNECTION_PARAMETER> entries = parameters.Entries();
    RFC_ERROR_INFO info = {};
    RFC_CONNECTION_HANDLE handle =
        lib_.RfcOpenConnection(entries.data(), static_cast<unsigned>(entries.size()), &info);
    if (!handle) {
      last_ = info;
      // The library writes no trace file: its message is the only place
      // that says why.
      refusal_ = SapUcArrayToBytes(info.message);
      if (refusal_.empty()) refusal_ = LastError("").status;
    }
    return reinterpret_cast<ConnectionId>(handle);
  }

  QueryResult Aborted(std::string_view operation, const RFC_ERROR_INFO& info) {
    last_ = info;
    QueryResult result;
    result.aborted = true;
    result.report = LastError(operation);
    return result;
  }

  // The function module's outcome from a failed lookup or call.
  QueryResult Failed(const RFC_ERROR_INFO& info) {
    last_ = info;
    QueryResult result;
    result.outcome = OutcomeOfReturnCode(info.code);
    if (result.outcome == kOutcomeException || result.outcome == kOutcomeSysException) {
      result.exceptionText = SapUcArrayToBytes(info.key).substr(0, 255);
    }
    return result;
  }

  // Looks up and creates a function module. Null with `result` set when
  // it cannot be had.
  RFC_FUNCTION_HANDLE Function(ConnectionId connection, const char16_t* name,
                               std::string_view operationName, QueryResult* result) {
    RFC_ERROR_INFO info = {};
    RFC_FUNCTION_DESC_HANDLE desc = lib_.RfcGetFunctionDesc(Handle(connection), name, &info);
    if (!desc) {
      *result = Failed(info);
      return nullptr;
    }
    RFC_FUNCTION_HANDLE function = lib_.RfcCreateFunction(desc, &info);
    if (!function) *result = Aborted("RfcCreateFunction " + std::string(operationName), info);
    return function;
  }

  // Calls the function module `name`: `prepare` sets its parameters,
  // `read` takes its answer when the call succeeded; either returns false
  // (with `result` marked aborted) to stop, and the function is then left
  // as it is. Destroyed afterwards otherwise.
  template <typename Prepare, typename Read>
  QueryResult Call(ConnectionId connection, const char16_t* name, std::string_view shown,
                   Prepare prepare, Read read) {
    QueryResult result;
    RFC_FUNCTION_HANDLE function = Function(connection, name, shown, &result);
    if (!function) return result;
    if (!prepare(function, &result)) return result;
    RFC_ERROR_INFO info = {};
    if (lib_.RfcInvoke(Handle(connection), function, &info) != RFC_OK) {
      result = Failed(info);
    } else if (!read(function, &result)) {
      return result;
    }
    RFC_ERROR_INFO destroyInfo = {};
    if (lib_.RfcDestroyFunction(function, &destroyInfo) != RFC_OK) {
      return Aborted("RfcDestroyFunction " + std::string(shown), destroyInfo);
    }
    return result;
  }

  // Hands every row of the table `name` of `function` to `row`, which
  // returns false (with `result` marked aborted) to stop.
  template <typename Row>
  bool ForEachRow(RFC_FUNCTION_HANDLE function, const char16_t* name, std::string_view shown,
                  QueryResult* result, Row row) {
    RFC_ERROR_INFO info = {};
    RFC_TABLE_HANDLE table = nullptr;
    unsigned rows = 0;
    if (lib_.RfcGetTable(function, name, &table, &info) != RFC_OK) {
      *result = Aborted("RfcGetTable " + std::string(shown), info);
      return false;
    }
    if (lib_.RfcGetRowCount(table, &rows, &info) != RFC_OK) {
      *result = Aborted("RfcGetRowCount " + std::string(shown), info);
      return false;
    }
    for (unsigned i = 0; i < rows; ++i) {
      if (lib_.RfcMoveTo(table, i, &info) != RFC_OK) {
        *result = Aborted("RfcMoveTo " + std::string(shown), info);
        return false;
      }
      if (!row(table, result)) return false;
    }
    return true;
  }

  static bool NothingToSet(RFC_FUNCTION_HANDLE, QueryResult*) { return true; }

  // Reads `fields` of one row (or of the function's exports) into `sink`,
  // and ends the row. False (with `result` marked aborted) when a field
  // cannot be read.
  bool ReadRow(DATA_CONTAINER_HANDLE container, const std::vector<FieldRequest>& fields,
               std::string_view shown, RowSink& sink, QueryResult* result);

  Host& host_;
  NetWeaverLibrary lib_;
  RFC_ERROR_INFO last_ = {};
  std::string refusal_;
};

ConnectionId NetWeaverBackend::Open(const ConnectionRequest& request,
                                    const std::function<void()>& onConfigFile) {
  refusal_.clear();
  // An application server by its host and number, with the profile's
  // logon.
  auto openServer = [&](std::string_view host, int number, std::string_view gatewayHost,
                        std::string_view gatewayService) {
    ConnectionParameters parameters;
    char sysnr[16];
    std::snprintf(sysnr, sizeof sysnr, "%02d", number);
    parameters.Add(u"ashost", host);
    parameters.Add(u"sysnr", sysnr);
    parameters.Add(u"client", request.client);
    parameters.Add(u"user", request.user);
    parameters.Add(u"passwd", request.password);
    parameters.Add(u"lang", request.language);
    parameters.AddIfSet(u"gwhost", gatewayHost);
    parameters.AddIfSet(u"gwserv", gatewayService);
    AddSnc(&parameters, request.snc);
    return OpenWith(parameters);
  };
  if (request.server) {
    // One application server of the system; a destination's file lends it
    // only its gateway.
    std::string gatewayHost, gatewayService;
    if (HasDestinationConfig(host_, request.destination) &&
        !ReadDestinationGateway(host_, request.destination, &gatewayHost, &gatewayService,
                                &refusal_)) {
      return 0;
    }
    return openServer(request.server->host, request.server->systemNumber, gatewayHost,
                      gatewayService);
  }
  if (!HasDestinationConfig(host_, request.destination)) {
    // This library has no R/2 connections, and an application server is
    // named by its host.
    if (request.mode == "R/2") {
      refusal_ = "R/2 needs the classic RFC library";
      return 0;
    }
    if (request.hostname.empty()) {
      refusal_ = "no host name";
      return 0;
    }
    return openServer(request.hostname, request.systemNumber, request.gatewayHost,
                      request.gatewayService);
  }

  ConnectionParameters parameters;
  // The file is installed as for the classic library, so that both leave
  // the same SapRfc.ini; this library takes the destination's entries from
  // the program instead, read from the very bytes installed.
  if (onConfigFile) onConfigFile();
  std::string installed;
  if (!InstallLibraryConfig(host_, request.destination, request.deadline, &installed, &refusal_)) {
    return 0;
  }
  const std::string file = "SapRfc." + request.destination;
  DestinationSection section = ReadDestinationSection(installed, request.destination);
  if (!section.found) {
    refusal_ = "no DEST=" + request.destination + " in " + file;
    return 0;
  }
  if (!section.ashost.empty() && !section.sysnr.empty()) {
    parameters.Add(u"ashost", section.ashost);
    parameters.Add(u"sysnr", section.sysnr);
  } else if (!section.mshost.empty()) {
    parameters.Add(u"mshost", section.mshost);
    parameters.AddIfSet(u"msserv", section.msserv);
    parameters.AddIfSet(u"sysid", section.r3name);
    parameters.AddIfSet(u"group", section.group);
  } else {
    refusal_ = "no ASHOST with SYSNR, nor MSHOST, in " + file;
    return 0;
  }
  parameters.AddIfSet(u"gwhost", section.gwhost);
  parameters.AddIfSet(u"gwserv", section.gwserv);
  parameters.Add(u"client", request.client);
  parameters.Add(u"user", request.user);
  parameters.Add(u"passwd", request.password);
  parameters.Add(u"lang", "D");
  // The profile's SNC settings, else the section's.
  AddSnc(&parameters, request.snc.On()
                          ? request.snc
                          : SncSettings{section.sncMode, section.sncPartner, section.sncQop,
                                        section.sncMyname, section.sncLib});
  return OpenWith(parameters);
}

QueryResult NetWeaverBackend::CallTable(ConnectionId connection, const TableCall& call,
                                        RowSink& sink) {
  const std::string& shown = call.function;
  auto prepare = [this, &call, &shown](RFC_FUNCTION_HANDLE function, QueryResult* result) {
    // The library pads a character value to its parameter's width itself.
    for (const CallArgument& argument : call.arguments) {
      RFC_ERROR_INFO info = {};
      const std::u16string name = BytesToSapUc(argument.name);
      if (argument.kind == CallArgument::Kind::kInteger) {
        if (lib_.RfcSetInt(function, name.c_str(), argument.integer, &info) != RFC_OK) {
          *result = Aborted("RfcSetInt " + shown, info);
          return false;
        }
        continue;
      }
      const std::u16string value = BytesToSapUc(argument.text);
      if (lib_.RfcSetChars(function, name.c_str(), value.c_str(),
                           static_cast<unsigned>(value.size()), &info) != RFC_OK) {
        *result = Aborted("RfcSetChars " + shown, info);
        return false;
      }
    }
    // The rows of the tables sent: a new row each, its fields set by name.
    for (const SentTable& sent : call.sent) {
      RFC_ERROR_INFO info = {};
      RFC_TABLE_HANDLE table = nullptr;
      const std::u16string tableName = BytesToSapUc(sent.table);
      if (lib_.RfcGetTable(function, tableName.c_str(), &table, &info) != RFC_OK) {
        *result = Aborted("RfcGetTable " + sent.table, info);
        return false;
      }
      for (const std::vector<std::string>& texts : sent.rows) {
        RFC_STRUCTURE_HANDLE row = lib_.RfcAppendNewRow(table, &info);
        if (!row) {
          *result = Aborted("RfcAppendNewRow " + sent.table, info);
          return false;
        }
        for (std::size_t i = 0; i < texts.size() && i < sent.fields.size(); ++i) {
          const std::u16string name = BytesToSapUc(sent.fields[i].name);
          const std::u16string value = BytesToSapUc(texts[i]);
          if (lib_.RfcSetChars(row, name.c_str(), value.c_str(),
                               static_cast<unsigned>(value.size()), &info) != RFC_OK) {
            *result = Aborted("RfcSetChars " + sent.table, info);
            return false;
          }
        }
      }
    }
    return true;
  };
  auto read = [this, &call, &sink](RFC_FUNCTION_HANDLE function, QueryResult* result) {
    if (!call.exports.empty()) {
      sink.StartTable(kScalarExports);
      if (!ReadRow(function, call.exports, call.function, sink, result)) return false;
      sink.StartTable(0);
    }
    auto readTable = [&](const std::string& tableName, const std::vector<FieldRequest>& fields) {
      const std::u16string table = BytesToSapUc(tableName);
      return ForEachRow(function, table.c_str(), tableName, result,
                        [&](RFC_TABLE_HANDLE row, QueryResult* rowResult) {
                          return ReadRow(row, fields, tableName, sink, rowResult);
                        });
    };
    if (!call.table.empty() && !readTable(call.table, call.fields)) return false;
    for (std::size_t t = 0; t < call.alsoReceived.size(); ++t) {
      sink.StartTable(t + 1);
      if (!readTable(call.alsoReceived[t].table, call.alsoReceived[t].fields)) return false;
    }
    return true;
  };
  const std::u16string name = BytesToSapUc(call.function);
  return Call(connection, name.c_str(), shown, prepare, read);
}

bool NetWeaverBackend::ReadRow(DATA_CONTAINER_HANDLE container,
                               const std::vector<FieldRequest>& fields, std::string_view shown,
                               RowSink& sink, QueryResult* result) {
  RFC_ERROR_INFO info = {};
  // A text stays valid until its row ends: one buffer per field.
  std::vector<std::string> texts(fields.size());
  std::vector<SAP_UC> chars;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const FieldRequest& field = fields[i];
    const std::u16string name = BytesToSapUc(field.name);
    if (field.kind == FieldRequest::Kind::kText) {
      chars.resize(field.length);
      if (lib_.RfcGetChars(container, name.c_str(), chars.data(), field.length, &info) != RFC_OK) {
        *result = Aborted("RfcGetChars " + std::string(shown), info);
        return false;
      }
      std::string& text = texts[i];
      text.resize(field.length);
      for (unsigned c = 0; c < field.length; ++c) text[c] = SapUcToByte(chars[c]);
      sink.Text(i, text);
    } else {
      RFC_INT value = 0;
      if (lib_.RfcGetInt(container, name.c_str(), &value, &info) != RFC_OK) {
        *result = Aborted("RfcGetInt " + std::string(shown), info);
        return false;
      }
      sink.Integer(i, value);
    }
  }
  sink.EndRow();
  return true;
}

QueryResult NetWeaverBackend::ProbeCpu(ConnectionId connection) {
  auto prepare = [this](RFC_FUNCTION_HANDLE function, QueryResult* result) {
    // The library pads a character field to its width itself: "LOCAL" fits
    // the system's field whatever its length, and the destination is blank.
    RFC_ERROR_INFO info = {};
    const SAP_UC localRemote[] = u"LOCAL";
    SAP_UC logicalDestination[32];
    for (SAP_UC& c : logicalDestination) c = u' ';
    if (lib_.RfcSetChars(function, u"LOCAL_REMOTE", localRemote, 5, &info) != RFC_OK ||
        lib_.RfcSetChars(function, u"LOGICAL_DESTINATION", logicalDestination, 32, &info) !=
            RFC_OK) {
      *result = Aborted("RfcSetChars GET_CPU_ALL", info);
      return false;
    }
    return true;
  };
  // The CPU values that come back are not needed: only the outcome counts.
  return Call(connection, u"GET_CPU_ALL", "GET_CPU_ALL", prepare, NothingToSet);
}

QueryResult NetWeaverBackend::FetchInstanceName(ConnectionId connection, std::string* name) {
  auto read = [this, name](RFC_FUNCTION_HANDLE function, QueryResult* result) {
    RFC_ERROR_INFO info = {};
    RFC_STRUCTURE_HANDLE rfcsi = nullptr;
    if (lib_.RfcGetStructure(function, u"RFCSI_EXPORT", &rfcsi, &info) != RFC_OK) {
      *result = Aborted("RfcGetStructure RFCSI_EXPORT", info);
      return false;
    }
    // RFCDEST: CHAR 32, see classic_layout.h.
    SAP_UC destination[32];
    if (lib_.RfcGetChars(rfcsi, u"RFCDEST", destination, 32, &info) != RFC_OK) {
      *result = Aborted("RfcGetChars RFCSI_EXPORT", info);
      return false;
    }
    *name = TrimmedField(destination);
    return true;
  };
  return Call(connection, u"RFC_SYSTEM_INFO", "RFC_SYSTEM_INFO", NothingToSet, read);
}

}  // namespace

int OutcomeOfReturnCode(RFC_RC rc) {
  switch (rc) {
    case RFC_OK:
      return kOutcomeOk;
    case RFC_ABAP_EXCEPTION:
      return kOutcomeException;
    case RFC_ABAP_RUNTIME_FAILURE:
    case RFC_ABAP_MESSAGE:
      return kOutcomeSysException;
    case RFC_COMMUNICATION_FAILURE:
    case RFC_CLOSED:
    case RFC_CANCELED:
    case RFC_TIMEOUT:
      return kOutcomeFailure;
    default:
      // Beyond the four outcomes the documents know: "Other Failure".
      return 100 + static_cast<int>(rc);
  }
}

bool BindNetWeaverLibrary(void* library, NetWeaverLibrary* lib) {
  return BindLibrarySymbol(library, "RfcOpenConnection", &lib->RfcOpenConnection) &&
         BindLibrarySymbol(library, "RfcCloseConnection", &lib->RfcCloseConnection) &&
         BindLibrarySymbol(library, "RfcGetFunctionDesc", &lib->RfcGetFunctionDesc) &&
         BindLibrarySymbol(library, "RfcCreateFunction", &lib->RfcCreateFunction) &&
         BindLibrarySymbol(library, "RfcDestroyFunction", &lib->RfcDestroyFunction) &&
         BindLibrarySymbol(library, "RfcSetChars", &lib->RfcSetChars) &&
         BindLibrarySymbol(library, "RfcSetInt", &lib->RfcSetInt) &&
         BindLibrarySymbol(library, "RfcInvoke", &lib->RfcInvoke) &&
         BindLibrarySymbol(library, "RfcGetTable", &lib->RfcGetTable) &&
         BindLibrarySymbol(library, "RfcGetStructure", &lib->RfcGetStructure) &&
         BindLibrarySymbol(library, "RfcGetRowCount", &lib->RfcGetRowCount) &&
         BindLibrarySymbol(library, "RfcAppendNewRow", &lib->RfcAppendNewRow) &&
         BindLibrarySymbol(library, "RfcMoveTo", &lib->RfcMoveTo) &&
         BindLibrarySymbol(library, "RfcGetChars", &lib->RfcGetChars) &&
         BindLibrarySymbol(library, "RfcGetInt", &lib->RfcGetInt) &&
         BindLibrarySymbol(library, "RfcGetVersion", &lib->RfcGetVersion);
}

std::unique_ptr<RfcBackend> MakeNetWeaverBackend(Host& host, const NetWeaverLibrary& lib) {
  return std::make_unique<NetWeaverBackend>(host, lib);
}

}  // namespace tolvaran
