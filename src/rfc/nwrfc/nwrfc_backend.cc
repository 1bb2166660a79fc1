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
#include "text/secure_wipe.h"

namespace tolvaran {

namespace {

// Logon parameters as the library takes them: UTF-16 names and values that
// stay in place for the call.
class ConnectionParameters {
 public:
  void Add(const char16_t* name, std::string_view value) {
    names_.push_back(name);
    values_.push_back(BytesToSapUc(value));
  }
  void AddIfSet(const char16_t* name, std::string_view value) {
    if (!value.empty()) Add(name, value);
  }
  // The values hold the password: overwritten once the call has them.
  ~ConnectionParameters() {
    for (std::u16string& value : values_) SecureWipe(&value[0], value.size() * sizeof(char16_t));
  }
  std::vector<RFC_CONNECTION_PARAMETER> Entries() const {
    std::vector<RFC_CONNECTION_PARAMETER> entries;
    for (std::size_t i = 0; i < names_.size(); ++i) {
      entries.push_back({names_[i], values_[i].c_str()});
    }
    return entries;
  }

 private:
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

// A field read at its width into the session's bytes, without a copy on
// the heap for every field of every session.
template <std::size_t N>
void StoreField(const SAP_UC (&field)[N], char (&out)[N]) {
  for (std::size_t i = 0; i < N; ++i) out[i] = SapUcToByte(field[i]);
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
  QueryResult ProbeCpu(ConnectionId connection) override;
  QueryResult FetchSessions(ConnectionId connection, SessionSink& sink) override;

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

 private:
  static RFC_CONNECTION_HANDLE Handle(ConnectionId connection) {
    return reinterpret_cast<RFC_CONNECTION_HANDLE>(connection);
  }

  ConnectionId OpenWith(const ConnectionParameters& parameters) {
    std::vector<RFC_CONNECTION_PARAMETER> entries = parameters.Entries();
    RFC_ERROR_INFO info = {};
    RFC_CONNECTION_HANDLE handle =
        lib_.RfcOpenConnection(entries.data(), static_cast<unsigned>(entries.size()), &info);
    if (!handle) last_ = info;
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

  Host& host_;
  NetWeaverLibrary lib_;
  RFC_ERROR_INFO last_ = {};
};

ConnectionId NetWeaverBackend::Open(const ConnectionRequest& request,
                                    const std::function<void()>& onConfigFile) {
  ConnectionParameters parameters;
  if (!HasDestinationConfig(host_, request.destination)) {
    // This library has no R/2 connections, and an application server is
    // named by its host.
    if (request.mode == "R/2" || request.hostname.empty()) return 0;
    char sysnr[16];
    std::snprintf(sysnr, sizeof sysnr, "%02d", request.systemNumber);
    parameters.Add(u"ashost", request.hostname);
    parameters.Add(u"sysnr", sysnr);
    parameters.Add(u"client", request.client);
    parameters.Add(u"user", request.user);
    parameters.Add(u"passwd", request.password);
    parameters.Add(u"lang", request.language);
    parameters.AddIfSet(u"gwhost", request.gatewayHost);
    parameters.AddIfSet(u"gwserv", request.gatewayService);
    AddSnc(&parameters, request.snc);
    return OpenWith(parameters);
  }

  // The file is installed as for the classic library, which reads it, so
  // that both leave the same SapRfc.ini; this library takes the
  // destination's entries from the program instead.
  if (onConfigFile) onConfigFile();
  if (!InstallLibraryConfig(host_, request.destination)) return 0;
  std::string installed;
  bool read = host_.ReadFile("SapRfc.ini", &installed);
  ReleaseLibraryConfigLock();
  if (!read) return 0;
  DestinationSection section = ReadDestinationSection(installed, request.destination);
  if (!section.found) return 0;
  if (!section.ashost.empty() && !section.sysnr.empty()) {
    parameters.Add(u"ashost", section.ashost);
    parameters.Add(u"sysnr", section.sysnr);
  } else if (!section.mshost.empty()) {
    parameters.Add(u"mshost", section.mshost);
    parameters.AddIfSet(u"msserv", section.msserv);
    parameters.AddIfSet(u"sysid", section.r3name);
    parameters.AddIfSet(u"group", section.group);
  } else {
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

QueryResult NetWeaverBackend::ProbeCpu(ConnectionId connection) {
  QueryResult result;
  RFC_FUNCTION_HANDLE function = Function(connection, u"GET_CPU_ALL", "GET_CPU_ALL", &result);
  if (!function) return result;

  // The library pads a character field to its width itself: "LOCAL" fits
  // the system's field whatever its length, and the destination is blank.
  RFC_ERROR_INFO info = {};
  const SAP_UC localRemote[] = u"LOCAL";
  SAP_UC logicalDestination[32];
  for (SAP_UC& c : logicalDestination) c = u' ';
  if (lib_.RfcSetChars(function, u"LOCAL_REMOTE", localRemote, 5, &info) != RFC_OK ||
      lib_.RfcSetChars(function, u"LOGICAL_DESTINATION", logicalDestination, 32, &info) != RFC_OK) {
    return Aborted("RfcSetChars GET_CPU_ALL", info);
  }
  if (lib_.RfcInvoke(Handle(connection), function, &info) != RFC_OK) result = Failed(info);
  // The CPU values that come back are not needed: only the outcome counts.
  RFC_ERROR_INFO destroyInfo = {};
  if (lib_.RfcDestroyFunction(function, &destroyInfo) != RFC_OK) {
    return Aborted("RfcDestroyFunction GET_CPU_ALL", destroyInfo);
  }
  return result;
}

QueryResult NetWeaverBackend::FetchSessions(ConnectionId connection, SessionSink& sink) {
  QueryResult result;
  RFC_FUNCTION_HANDLE function = Function(connection, u"THUSRINFO", "THUSRINFO", &result);
  if (!function) return result;

  RFC_ERROR_INFO info = {};
  if (lib_.RfcInvoke(Handle(connection), function, &info) != RFC_OK) {
    result = Failed(info);
  } else {
    RFC_TABLE_HANDLE table = nullptr;
    unsigned rows = 0;
    if (lib_.RfcGetTable(function, u"USR_TABL", &table, &info) != RFC_OK) {
      return Aborted("RfcGetTable USR_TABL", info);
    }
    if (lib_.RfcGetRowCount(table, &rows, &info) != RFC_OK) {
      return Aborted("RfcGetRowCount USR_TABL", info);
    }
    Session session;
    SAP_UC mandt[3], bname[12], tcode[20], term[20];
    RFC_INT externalModes = 0, internalModes = 0;
    for (unsigned i = 0; i < rows; ++i) {
      if (lib_.RfcMoveTo(table, i, &info) != RFC_OK) return Aborted("RfcMoveTo USR_TABL", info);
      if (lib_.RfcGetChars(table, u"MANDT", mandt, 3, &info) != RFC_OK ||
          lib_.RfcGetChars(table, u"BNAME", bname, 12, &info) != RFC_OK ||
          lib_.RfcGetChars(table, u"TCODE", tcode, 20, &info) != RFC_OK ||
          lib_.RfcGetChars(table, u"TERM", term, 20, &info) != RFC_OK) {
        return Aborted("RfcGetChars USR_TABL", info);
      }
      if (lib_.RfcGetInt(table, u"EXTMODI", &externalModes, &info) != RFC_OK ||
          lib_.RfcGetInt(table, u"INTMODI", &internalModes, &info) != RFC_OK) {
        return Aborted("RfcGetInt USR_TABL", info);
      }
      StoreField(mandt, session.mandt);
      StoreField(bname, session.bname);
      StoreField(tcode, session.tcode);
      StoreField(term, session.term);
      session.externalModes = static_cast<std::uint32_t>(externalModes);
      session.internalModes = static_cast<std::uint32_t>(internalModes);
      sink.Add(session);
    }
  }
  RFC_ERROR_INFO destroyInfo = {};
  if (lib_.RfcDestroyFunction(function, &destroyInfo) != RFC_OK) {
    return Aborted("RfcDestroyFunction THUSRINFO", destroyInfo);
  }
  return result;
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
         BindLibrarySymbol(library, "RfcInvoke", &lib->RfcInvoke) &&
         BindLibrarySymbol(library, "RfcGetTable", &lib->RfcGetTable) &&
         BindLibrarySymbol(library, "RfcGetRowCount", &lib->RfcGetRowCount) &&
         BindLibrarySymbol(library, "RfcMoveTo", &lib->RfcMoveTo) &&
         BindLibrarySymbol(library, "RfcGetChars", &lib->RfcGetChars) &&
         BindLibrarySymbol(library, "RfcGetInt", &lib->RfcGetInt) &&
         BindLibrarySymbol(library, "RfcGetVersion", &lib->RfcGetVersion);
}

std::unique_ptr<RfcBackend> MakeNetWeaverBackend(Host& host, const NetWeaverLibrary& lib) {
  return std::make_unique<NetWeaverBackend>(host, lib);
}

}  // namespace tolvaran
