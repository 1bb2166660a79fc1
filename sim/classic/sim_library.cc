// The simulated RFC library: librfc32 with the classic library's C interface
// (src/rfc/classic/classic_api.h), answering from a landscape described in a file,
// so that the program can be tested and shown without any real system. The
// simulated NetWeaver library (sim/nwrfc/) answers from the same file by
// the same rules; what differs there is described in its own file.
//
// SapSim.ini
// ==========
// Read from the current directory at every RfcOpen and RfcOpenEx (only the
// system looked up is read whole, so a landscape of thousands of systems
// opens as fast as a small one); file names
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
//   th_wpinfo = ok          what that module answers: every module of the
//                           table has such a key, its name in lower case
//                           (rfc_read_table, enqueue_read, rfc_ping, ...)
//   wp = WP_NO=0 WP_TYP=DIA a row of a module's table: "wp" (TH_WPINFO's
//                           WPLIST), "snap", "tbtco", "vbhdr" (the tables
//                           RFC_READ_TABLE reads), "enq" (ENQUEUE_READ),
//                           "cpu" (values of GET_CPU_ALL's one row); one
//                           line a row, fields FIELD=value, "quoted" with
//                           blanks, FIELD@D=value for logon language D;
//                           values UTF-8. An instance's first line of a key
//                           replaces its system's rows of that key.
//   clock = 20261210 000500 the system's date and time (default: the
//                           host's), what BDL_GET_CENTRAL_TIMESTAMP returns
//   no_authority = SNAP     tables RFC_READ_TABLE answers NOT_AUTHORIZED
//   rfc_read_table_order = reverse
//                           RFC_READ_TABLE's FIELDS returned reversed, or
//                           "table" (the table's order), default "asked"
//
// sim/FUNCTIONS.md lists every function module served, its parameters,
// tables, fields and exceptions, and the keys above that feed it.
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
// saying so. A module may also answer with an exception of its own
// (RFC_READ_TABLE's OPTION_NOT_VALID, ...). A function not in
// sim/FUNCTIONS.md gets "sysexception FU_NOT_FOUND".
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
//
// Here: the state and the failures it records, RfcEnvironment and
// RfcLastError; the openings are in sim_library_open.cc, the calls and
// internal tables in sim_library_calls.cc.

#include "sim_library.h"

#include <cstring>
#include <string>

#include "sim_landscape.h"
#include "sim_trace.h"

namespace rfcsim {

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

void CopyText(char* dest, std::size_t size, const std::string& text) {
  std::memset(dest, 0, size);
  std::memcpy(dest, text.data(), text.size() < size ? text.size() : size - 1);
}

}  // namespace rfcsim

// The exported entry points. Each keeps C++ exceptions (only an exhausted
// memory can raise one here) from crossing into a C caller.

RFCSIM_EXPORT void RFC_CALL RfcEnvironment(RfcEnvironmentRecord* environment) {
  if (environment != nullptr) rfcsim::State().handler = environment->errorhandler;
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

namespace {

// The program loads these by name into pointers of the interface's types; a
// signature that drifted from the interface should stop the build here.
[[maybe_unused]] constexpr RfcEnvironmentFn kEnvironment = &RfcEnvironment;
[[maybe_unused]] constexpr RfcLastErrorFn kLastError = &RfcLastError;

}  // namespace
