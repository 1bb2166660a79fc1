// The simulated RFC library: librfc32 with the classic library's C interface
// (src/rfc/classic/classic_api.h), answering from a landscape described in a file,
// so that the program can be tested and shown without any real system. The
// simulated NetWeaver library (sim/nwrfc/) answers from the same file by
// the same rules; what differs there is described in its own file.
//
// SapSim.ini
// ==========
// Read from the current directory at every RfcOpen and RfcOpenEx; file names
// in this library are matched without regard to case. Lines are
// "key = value" (blanks around key and value are dropped, keys ignore case);
// lines beginning with "#" or ";" are comments. Each section is a system,
// named by its destination (system id):
//
//   [PRD]
//   host = prdhost          RfcOpen, mode 0: the system whose host (case
//   sysnr = 0               ignored) and system number match HostOptions
//   gwhost = prdgw          RfcOpen, mode 1: the system whose gateway host
//   gwservice = sapgw00     and service (case ignored) match GatewayOptions
//   client = 100            the logon the system accepts; anything else is a
//   user = SAPMON           logon failure. Client, user and password are
//   password = Secret99     compared ignoring trailing blanks, the client
//                           also leading ones; case counts.
//   users = prd-users.txt   the user list (THUSRINFO), see below; no line:
//                           an empty list
//   thusrinfo = ok          what THUSRINFO answers, see below
//   get_cpu_all = ok        what GET_CPU_ALL answers
//   abort = RfcCall         these operations call the installed error
//                           handler: RfcOpen, RfcOpenEx, RfcCall, RfcReceive
//   fail = ItGetLine        these operations return their failure value:
//                           RfcInstallStructure, ItCreate, ItGetLine,
//                           ItDelete
//   hang = RfcReceive       these operations block for an hour (a partner
//                           that never answers): RfcOpen, RfcOpenEx,
//                           RfcCall, RfcReceive
//   delay = 250             each opening (RfcOpen, RfcOpenEx) and each
//                           function-module call (in RfcReceive, where the
//                           answer is awaited) takes this many milliseconds
//                           longer; 0 to 3600000
//   users_encoding = utf-8  the user list is UTF-8 text, as a Unicode system
//                           holds it (default: Latin-1 bytes); this library
//                           hands it to its Latin-1 client with "#" for
//                           every UTF-16 code unit above U+00FF, and pads and
//                           cuts the fields in characters
//   th_server_list = ok     what TH_SERVER_LIST answers
//   rfc_system_info = ok    what RFC_SYSTEM_INFO answers
//   instance = prd1_PRD_00  the name of the system's own application server
//                           (default "<host>_<section>_<sysnr in two
//                           digits>", e.g. "prdhost_PRD_00")
//   serv = sapdp00          its dispatcher's service in the server list
//                           (default "sapdp<sysnr in two digits>"; may be
//                           empty)
//
// Application servers. A system is one application server unless it has
// instance sections, named "<system>/<instance name>":
//
//   [PRD/prdapp2_PRD_02]
//   host = prdapp2          RfcOpen, mode 0, with this host and number
//   sysnr = 2               reaches this instance (and no other way does)
//   users = prd-app2.txt    its user list
//   delay = 300             and any other key above, for this instance
//   hang = RfcOpen          alone: an instance starts as a copy of its
//   password = other        system's section (wherever that stands in the
//                           file), without host, sysnr, gwhost, gwservice,
//                           mshost and instance, and its own keys are
//                           applied over it ("abort", "fail" and "hang"
//                           add to the system's, the rest replace). So a
//                           different password makes it refuse the
//                           system's logon, a "thusrinfo" line fails its
//                           user list. "serv =" defaults as above; the
//                           section names the instance ("instance =" is
//                           passed over). An instance of a system that has
//                           no section is passed over.
//
// TH_SERVER_LIST, on a connection to any application server of a system,
// lists the system's own server first, then its instance sections in the
// order they first appear: NAME the instance name, HOST its host, SERV its
// service, MSGTYPES 0xFF, HOSTADR 10.1.0.<row>, SERVNO 3200 + row - 1,
// STATE 1, into the table LIST laid out as the caller installed its row
// type. RFC_SYSTEM_INFO fills RFCSI_EXPORT (received as one character
// value) with the connected server's name as RFCDEST, the section name as
// RFCSYSID and its host as RFCHOST (cut to 8) and RFCHOST2 (see
// SystemInfoValue in sim_rows.h for the rest). What the caller sends, such
// as ACTIVE_SERVER, changes nothing: every server listed is active.
//
// "abort", "fail" and "hang" take several names, separated by commas or
// blanks, and may be repeated; names of the other library's operations are
// passed over. Written before the first section they, and "delay", apply to
// every system (a section's own "delay" replaces the global one). "fail"
// applies to the system of the most recent successful open; before any,
// only the lines before the first section count.
//
// RfcOpenEx takes "CLIENT=100 USER=SAPMON PASSWD=Secret99 LANG=D DEST=PRD":
// the destination must have a "DEST=PRD" line in the configuration file and
// a section [PRD] here. The configuration file is the one the environment
// variable RFC_INI names, read at every RfcOpenEx, else SapRfc.ini in the
// current directory. Without DEST, "ASHOST=prdhost SYSNR=00" and the logon
// find the system by host as RfcOpen finds it. SNC_MODE, SNC_PARTNERNAME,
// SNC_QOP, SNC_MYNAME and SNC_LIB are checked against the system's "snc =
// required" and "snc_partner = <name>" (RfcOpen, which has no place for
// them, is refused by a system that requires SNC).
//
// Outcomes (the words ignore case, names keep theirs):
//   ok                  RfcCall 0; RfcReceive 0 with the rows and values
//   failure             RfcReceive 1
//   exception NAME      RfcReceive 2, its exception pointing to NAME
//   sysexception NAME   RfcReceive 3, likewise
//   callfail            RfcCall 1
//   other N             RfcReceive N
// Anything else is taken as "failure", with a NOTE line in the trace block
// saying so. A function other than these four gets "sysexception
// FU_NOT_FOUND".
//
// The user list: "users = FILE" names a file (relative to SapSim.ini, that is
// the current directory) of one session a line,
//   MANDT;BNAME;TCODE;TERM;EXTMODI;INTMODI
// with blank lines and lines beginning with "#" skipped. The names are taken
// as written (case and leading blanks included), blank-padded or cut to 3,
// 12, 20 and 20 characters; a field may be empty; the modes are decimal,
// missing or unreadable ones 0. A file that cannot be read makes RfcReceive
// fail. "users = generate N" makes N sessions by the rule next to
// GeneratedSession in sim_users.cc (at most a million).
//
// Every failure of an RFC operation is recorded for RfcLastError and
// appended as an error block to dev_rfc.trc in the current directory (see
// sim_trace.h); failures of RfcInstallStructure are recorded only, and the
// table operations record nothing. RfcLastError reports the most recent
// failure; a later success does not clear it.
//
// The program is single-threaded, and so is this library.

#include <cstring>
#include <map>
#include <string>
#include <unordered_set>
#include <vector>

#include "rfc/classic/classic_api.h"
#include "sim_config.h"
#include "sim_files.h"
#include "sim_landscape.h"
#include "sim_rows.h"
#include "sim_tables.h"
#include "sim_trace.h"

// On 32-bit Windows the entry points are __stdcall, whose names the compiler
// decorates ("_RfcOpen@4"); such a build must link with --kill-at (or a .def
// file) for the program to find them by their plain names.
#ifdef _WIN32
#define RFCSIM_EXPORT extern "C" __declspec(dllexport)
#else
#define RFCSIM_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace rfcsim {

namespace {

constexpr char kRfcIniName[] = "SapRfc.ini";
constexpr char kLocalLocation[] = "CPIC (TCP/IP) on local host";
constexpr char kConnectStatus[] = "CONNECT to SAP gateway failed";

// Groups of RfcOpenEx's error record.
constexpr int kGroupCommunication = 1;
constexpr int kGroupLogon = 2;
constexpr int kGroupParameter = 3;

enum class OpenMode { kHost, kGateway, kDestination };

struct Connection {
  SimSystem system;
  OpenMode mode = OpenMode::kHost;
  bool pending = false;
  std::string function;
  Outcome outcome;
};

struct Failure {
  std::string key;
  std::string status;
  std::string message;
  std::string intstat;
  std::string location = kLocalLocation;
  std::string note;
  std::string detail;
  int group = kGroupCommunication;
  bool trace = true;
};

struct LibraryState {
  RfcErrorHandler handler = nullptr;
  std::map<RfcHandle, Connection> connections;
  RfcHandle nextHandle = 1;
  std::vector<RowLayout> structures;
  std::unordered_set<InternalTable*> tables;
  bool hasError = false;
  Failure lastError;
  bool configRead = false;
  OperationSet globalFail = 0;
  bool hasCurrent = false;
  OperationSet currentFail = 0;
  // Storage handed out through pointers; valid until the next such call.
  std::string exceptionName;
  std::string handlerText;
};

LibraryState& State() {
  // Never destroyed: the error handler ends the process from inside one of
  // our calls, and nothing may be torn down beneath that call.
  static LibraryState* state = new LibraryState();
  return *state;
}

const SimConfig& ReadSimConfig() {
  const SimConfig& config = ReadLandscape();
  LibraryState& s = State();
  s.configRead = true;
  s.globalFail = config.globalFail;
  return config;
}

bool Fails(Operation op) {
  LibraryState& s = State();
  if (s.hasCurrent) return (s.currentFail & op) != 0;
  if (!s.configRead) ReadSimConfig();
  return (s.globalFail & op) != 0;
}

void Record(const Failure& failure) {
  LibraryState& s = State();
  s.hasError = true;
  s.lastError = failure;
  if (failure.trace) {
    AppendTraceBlock({failure.location, failure.message, failure.note, failure.detail});
  }
}

Failure MakeFailure(const char* key, std::string status, std::string message, const char* intstat) {
  Failure f;
  f.key = key;
  f.status = std::move(status);
  f.message = std::move(message);
  f.intstat = intstat;
  return f;
}

std::string GatewayService(int sysnr) {
  return std::string("sapgw") + (sysnr >= 0 && sysnr < 10 ? "0" : "") + std::to_string(sysnr);
}

std::string PartnerLocation(const SimSystem& system, OpenMode mode) {
  bool gateway =
      mode == OpenMode::kGateway || (mode == OpenMode::kDestination && system.host.empty());
  if (gateway) return "SAP-Gateway on host " + system.gwhost + " / " + system.gwservice;
  return "SAP-Gateway on host " + system.host + " / " + GatewayService(system.sysnr);
}

// Called where "abort = <operation>" is configured: records the failure and
// calls the error handler, which in the program never returns. True when the
// operation is to fail; the caller then returns its failure value without
// touching anything the handler might have closed.
bool Aborts(const SimSystem& system, OpenMode mode, Operation op, const char* operation,
            const std::string& status) {
  if ((system.abort & op) == 0) return false;
  std::string text = std::string(operation) + ": connection aborted (simulated)";
  Failure f = MakeFailure("RFC_ERROR_COMMUNICATION", status, text, "rc=-3 (connection aborted)");
  f.location = PartnerLocation(system, mode);
  Record(f);
  LibraryState& s = State();
  if (s.handler != nullptr) {
    s.handlerText = text;
    s.handler(s.handlerText.data());
  }
  return true;
}

Failure NotReached(const std::string& partner) {
  return MakeFailure("RFC_ERROR_COMMUNICATION", kConnectStatus,
                     "partner '" + partner + "' not reached", "rc=-1 (partner not reached)");
}

Failure LogonFailure(const SimSystem& system, OpenMode mode) {
  Failure f = MakeFailure("RFC_ERROR_LOGON_FAILURE", kConnectStatus,
                          "Name or password is incorrect (repeat logon)", "rc=1 (logon failure)");
  f.location = PartnerLocation(system, mode);
  f.group = kGroupLogon;
  return f;
}

// A logon the system refuses for its SNC settings.
Failure SncFailure(const SimSystem& system, OpenMode mode, const std::string& message) {
  Failure f = MakeFailure("RFC_ERROR_LOGON_FAILURE", kConnectStatus, message, "rc=1 (SNC)");
  f.location = PartnerLocation(system, mode);
  f.group = kGroupLogon;
  return f;
}

Failure InvalidParameter(std::string status, std::string message) {
  Failure f = MakeFailure("RFC_INVALID_PARAMETER", std::move(status), std::move(message),
                          "rc=-2 (invalid parameter)");
  f.group = kGroupParameter;
  return f;
}

RfcHandle Connect(const SimSystem& system, OpenMode mode) {
  LibraryState& s = State();
  while (s.nextHandle == 0 || s.connections.count(s.nextHandle) != 0) ++s.nextHandle;
  RfcHandle handle = s.nextHandle++;
  Connection& connection = s.connections[handle];
  connection.system = system;
  connection.mode = mode;
  s.hasCurrent = true;
  s.currentFail = system.fail;
  return handle;
}

RfcHandle OpenWithOptions(const RfcOpenOptions* options) {
  const SimConfig& config = ReadSimConfig();
  if (options == nullptr) {
    Record(InvalidParameter(kConnectStatus, "no connection options given"));
    return 0;
  }
  const SimSystem* system = nullptr;
  std::string partner;
  OpenMode mode;
  if (options->mode == 0) {
    const auto* host = static_cast<const HostOptions*>(options->connopt);
    const char* hostname = host ? host->hostname : nullptr;
    int sysnr = host ? host->sysnr : 0;
    system = config.FindByHost(hostname, sysnr);
    partner = std::string(hostname ? hostname : "") + ":" + GatewayService(sysnr);
    mode = OpenMode::kHost;
  } else if (options->mode == 1) {
    const auto* gateway = static_cast<const GatewayOptions*>(options->connopt);
    const char* gwhost = gateway ? gateway->gateway_host : nullptr;
    const char* gwservice = gateway ? gateway->gateway_service : nullptr;
    system = config.FindByGateway(gwhost, gwservice);
    partner = std::string(gwhost ? gwhost : "") + ":" + (gwservice ? gwservice : "");
    mode = OpenMode::kGateway;
  } else {
    Record(InvalidParameter(kConnectStatus,
                            "invalid connection mode " + std::to_string(options->mode)));
    return 0;
  }
  if (system == nullptr) {
    Record(NotReached(partner));
    return 0;
  }
  HangIfConfigured(*system, kOpRfcOpen);
  TakeConfiguredDelay(*system);
  if (Aborts(*system, mode, kOpRfcOpen, "RfcOpen", kConnectStatus)) return 0;
  // The options record carries no SNC parameters.
  std::string snc = SncRefusal(*system, {});
  if (!snc.empty()) {
    Record(SncFailure(*system, mode, snc));
    return 0;
  }
  if (!LogonAccepted(*system, options->client, options->user, options->password)) {
    Record(LogonFailure(*system, mode));
    return 0;
  }
  return Connect(*system, mode);
}

RfcHandle OpenWithConnectString(const char* connect) {
  const SimConfig& config = ReadSimConfig();
  std::map<std::string, std::string> pairs = ParseConnectString(connect ? connect : "");
  auto value = [&pairs](const char* key) -> const char* {
    auto it = pairs.find(key);
    return it == pairs.end() ? "" : it->second.c_str();
  };
  std::string destination = value("DEST");
  const SimSystem* system = nullptr;
  OpenMode mode = OpenMode::kDestination;
  if (!destination.empty()) {
    std::string rfcIni;
    std::filesystem::path rfcIniPath = LibraryConfigPath(kRfcIniName);
    if (!ReadWholeFile(rfcIniPath, &rfcIni) || !SapRfcIniHasDestination(rfcIni, destination)) {
      Record(InvalidParameter(kConnectStatus, "destination " + destination + " not found in " +
                                                  rfcIniPath.filename().string()));
      return 0;
    }
    system = config.FindByName(destination);
    if (system == nullptr) {
      Record(NotReached(destination));
      return 0;
    }
  } else if (*value("ASHOST") != '\0') {
    // An application server named in the string itself.
    int sysnr = -1;
    if (!ParseInt(value("SYSNR"), &sysnr)) {
      Record(InvalidParameter(kConnectStatus, "invalid SYSNR in connect string"));
      return 0;
    }
    system = config.FindByHost(value("ASHOST"), sysnr);
    mode = OpenMode::kHost;
    if (system == nullptr) {
      Record(NotReached(std::string(value("ASHOST")) + ":" + GatewayService(sysnr)));
      return 0;
    }
  } else {
    Record(InvalidParameter(kConnectStatus, "no destination in connect string"));
    return 0;
  }
  HangIfConfigured(*system, kOpRfcOpenEx);
  TakeConfiguredDelay(*system);
  if (Aborts(*system, mode, kOpRfcOpenEx, "RfcOpenEx", kConnectStatus)) return 0;
  std::string snc = SncRefusal(*system, {value("SNC_MODE"), value("SNC_PARTNERNAME"),
                                         value("SNC_QOP"), value("SNC_MYNAME"), value("SNC_LIB")});
  if (!snc.empty()) {
    Record(SncFailure(*system, mode, snc));
    return 0;
  }
  if (!LogonAccepted(*system, value("CLIENT"), value("USER"), value("PASSWD"))) {
    Record(LogonFailure(*system, mode));
    return 0;
  }
  return Connect(*system, mode);
}

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
      AppendServerRows(*table, *layout, system.servers);
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

void CopyText(char* dest, std::size_t size, const std::string& text) {
  std::memset(dest, 0, size);
  std::memcpy(dest, text.data(), text.size() < size ? text.size() : size - 1);
}

}  // namespace

}  // namespace rfcsim

// The exported entry points. Each keeps C++ exceptions (only an exhausted
// memory can raise one here) from crossing into a C caller.

RFCSIM_EXPORT void RFC_CALL RfcEnvironment(RfcEnvironmentRecord* environment) {
  if (environment != nullptr) rfcsim::State().handler = environment->errorhandler;
}

RFCSIM_EXPORT RfcHandle RFC_CALL RfcOpen(RfcOpenOptions* options) {
  try {
    return rfcsim::OpenWithOptions(options);
  } catch (...) {
    return 0;
  }
}

RFCSIM_EXPORT RfcHandle RFC_CALL RfcOpenEx(char* connect, RfcErrorRecord* error) {
  try {
    RfcHandle handle = rfcsim::OpenWithConnectString(connect);
    if (handle == 0 && error != nullptr) {
      const rfcsim::Failure& failure = rfcsim::State().lastError;
      error->group = failure.group;
      rfcsim::CopyText(error->key, sizeof error->key, failure.key);
      rfcsim::CopyText(error->message, sizeof error->message, failure.message);
    }
    return handle;
  } catch (...) {
    return 0;
  }
}

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

RFCSIM_EXPORT int RFC_CALL RfcLastError(ErrorInfo* info) {
  const rfcsim::LibraryState& s = rfcsim::State();
  if (!s.hasError || info == nullptr) return 1;
  rfcsim::CopyText(info->key, sizeof info->key, s.lastError.key);
  rfcsim::CopyText(info->status, sizeof info->status, s.lastError.status);
  rfcsim::CopyText(info->message, sizeof info->message, s.lastError.message);
  rfcsim::CopyText(info->intstat, sizeof info->intstat, s.lastError.intstat);
  return 0;
}

RFCSIM_EXPORT void RFC_CALL RfcClose(RfcHandle handle) {
  rfcsim::State().connections.erase(handle);
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
[[maybe_unused]] constexpr RfcEnvironmentFn kEnvironment = &RfcEnvironment;
[[maybe_unused]] constexpr RfcOpenFn kOpen = &RfcOpen;
[[maybe_unused]] constexpr RfcOpenExFn kOpenEx = &RfcOpenEx;
[[maybe_unused]] constexpr RfcInstallStructureFn kInstallStructure = &RfcInstallStructure;
[[maybe_unused]] constexpr RfcCallFn kCall = &RfcCall;
[[maybe_unused]] constexpr RfcReceiveFn kReceive = &RfcReceive;
[[maybe_unused]] constexpr RfcLastErrorFn kLastError = &RfcLastError;
[[maybe_unused]] constexpr RfcCloseFn kClose = &RfcClose;
[[maybe_unused]] constexpr ItCreateFn kItCreate = &ItCreate;
[[maybe_unused]] constexpr ItFillFn kItFill = &ItFill;
[[maybe_unused]] constexpr ItGetLineFn kItGetLine = &ItGetLine;
[[maybe_unused]] constexpr ItDeleteFn kItDelete = &ItDelete;

}  // namespace
