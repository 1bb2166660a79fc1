// What a check needs from an RFC library, whichever one is installed.
//
// Two libraries can serve a check: SAP's classic RFC library (librfc32,
// librfccm) and the SAP NetWeaver RFC library (sapnwrfc). Each sits behind
// RfcBackend; the layers above see values only: a connection id, a query's
// outcome, sessions, failure texts. No library handle, row or type crosses
// this interface.
#ifndef TOLVARAN_RFC_BACKEND_H_
#define TOLVARAN_RFC_BACKEND_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/worker_process.h"

namespace tolvaran {

class Host;

// The texts of the RFC failure report: the operation that failed and the
// library's last error.
struct FailureReport {
  std::string operation;
  std::string key;
  std::string status;
  std::string message;
  std::string internalStatus;
};

// Called when the library reports an error through its error handler,
// with the report of it. The process ends when it returns: the library is
// C and is never returned into after such an error, nor unwound through.
using AbortHandler = std::function<void(const FailureReport& report)>;

// Secure Network Communications for a connection: with mode "1" the
// library encrypts the traffic, the logon included, with the cryptographic
// library `library` and authenticates the system as `partner` (its SNC
// name, "p:CN=..."). Empty values are not passed.
struct SncSettings {
  std::string mode;     // "1" on, "0" or empty off
  std::string partner;  // the system's SNC name
  std::string qop;      // quality of protection: 1, 2, 3, 8 or 9
  std::string myname;   // this program's own SNC name
  std::string library;  // the cryptographic library's path
  bool On() const { return mode == "1"; }
};

// The classic library takes SNC only through the connect string, which
// names an application server: with mode "R/2" and no destination's file
// (SapRfc.ini) the opening is refused with this reason. The NetWeaver
// library opens no R/2 connection at all.
inline constexpr char kSncNeedsServer[] = "SNC needs an application server (not mode R/2)";

// "Error 1011: RFC-Open for <destination> failed !": the opening failed, as
// the run and the profile tool both say it.
inline std::string OpenFailureText(std::string_view destination) {
  return "Error 1011: RFC-Open for " + std::string(destination) + " failed !";
}

// One application server (instance) of a system, to be reached on its own.
struct ServerTarget {
  std::string host;
  int systemNumber = 0;
};

// The connection data of one system, from its profile.
struct ConnectionRequest {
  std::string destination;
  std::string client;
  std::string user;
  std::string password;
  std::string language;
  std::string mode;
  std::string hostname;  // empty: none
  int systemNumber = 0;  // the profile's, or the one carried over
  std::string gatewayHost;
  std::string gatewayService;
  SncSettings snc;
  // The run's deadline, which bounds the wait for the configuration file's
  // lock; never sent to a worker, which sets its own.
  Deadline deadline = Deadline::Never();
  // Set: the opening goes to this application server of the system instead
  // of the one the profile or the destination names, as an R/3 connection
  // with the profile's client, user, password and language. A destination
  // with a file "SapRfc.<destination>" keeps the GWHOST and GWSERV of its
  // section there (the file is read, not installed); otherwise no gateway
  // is named, and the library takes the server's own.
  std::optional<ServerTarget> server;
};

// One row of the system's list of active application servers
// (TH_SERVER_LIST), its texts without their trailing blanks.
struct ServerEntry {
  std::string name;     // the instance, "<host>_<system>_<number>"
  std::string host;     // where it runs
  std::string service;  // its dispatcher's service, "sapdp<number>"
};

// One scalar import of a function module: a character value (blank-padded
// to `width` characters by the classic library's call; the NetWeaver
// library pads by itself) or an integer (INT4).
struct CallArgument {
  enum class Kind { kText, kInteger };
  std::string name;
  Kind kind = Kind::kText;
  std::string text;
  std::int32_t integer = 0;
  unsigned width = 0;  // kText: the parameter's length in characters

  static CallArgument Text(std::string name, std::string text, unsigned width) {
    return CallArgument{std::move(name), Kind::kText, std::move(text), 0, width};
  }
  static CallArgument Integer(std::string name, std::int32_t value) {
    return CallArgument{std::move(name), Kind::kInteger, "", value, 4};
  }
};

// One field wanted from each row of the received table, by its name in the
// row's structure: a character field of `length` characters (CHAR, NUMC,
// DATS, TIMS) or an integer (INT1, INT2, INT4).
struct FieldRequest {
  enum class Kind { kText, kInteger };
  std::string name;
  Kind kind = Kind::kText;
  unsigned length = 0;  // kText: its width in characters
};

// A function-module call that receives one table: the function module, its
// scalar imports, the table parameter, the dictionary structure of its rows
// and the fields wanted from them. The NetWeaver library reads the fields
// by name from the function's own description; the classic library needs
// the row's layout, which its backend takes from the structure's name.
//
// Some function modules need more: RFC_READ_TABLE is sent the rows of
// OPTIONS and FIELDS and gives back FIELDS and DATA; BDL_GET_CENTRAL_TIMESTAMP
// answers in scalar exports and has no table; RFC_PING has neither.
struct SentTable {
  std::string table;                           // "OPTIONS"
  std::string structure;                       // "RFC_DB_OPT"
  std::vector<FieldRequest> fields;            // character fields only
  std::vector<std::vector<std::string>> rows;  // each row's texts, as `fields`
};
struct ReceivedTable {
  std::string table;      // "DATA"
  std::string structure;  // "TAB512"
  std::vector<FieldRequest> fields;
};
struct TableCall {
  std::string function;  // "THUSRINFO"
  std::vector<CallArgument> arguments;
  std::string table;      // "USR_TABL"; empty: the call receives no table
  std::string structure;  // the rows' dictionary structure, "UINFO"
  std::vector<FieldRequest> fields;
  // Tables sent with the call. One that is also received (RFC_READ_TABLE's
  // FIELDS) comes back as the system filled it.
  std::vector<SentTable> sent{};
  // Tables received after `table`, in this order (table 1, 2, ...).
  std::vector<ReceivedTable> alsoReceived{};
  // Scalar exports, handed to the sink as one row before any table.
  std::vector<FieldRequest> exports{};
};

// The number RowSink::StartTable gives the row of scalar exports.
constexpr std::size_t kScalarExports = static_cast<std::size_t>(-1);

// Receives the rows of a TableCall one at a time, in the system's order,
// each field in the order of TableCall::fields: a character field as its
// `length` bytes, blank-padded and unterminated, as the library hands it
// over (one byte per character: the NetWeaver library's UTF-16 narrowed as
// for every other text), valid until the row ends; an integer as its value.
class RowSink {
 public:
  virtual void Text(std::size_t field, std::string_view bytes) = 0;
  virtual void Integer(std::size_t field, std::int64_t value) = 0;
  // After the last field of a row.
  virtual void EndRow() = 0;
  // The rows that follow are table `table`'s: 0 the call's `table`, 1 the
  // first of `alsoReceived`, ..., kScalarExports the exports' one row.
  // Before the first row of a call the rows are table 0's.
  virtual void StartTable(std::size_t table) { (void)table; }

 protected:
  ~RowSink() = default;
};

// An open connection; 0 is none.
using ConnectionId = std::uintptr_t;

// Outcomes of a function-module call.
enum : int { kOutcomeOk = 0, kOutcomeFailure = 1, kOutcomeException = 2, kOutcomeSysException = 3 };

struct QueryResult {
  int outcome = kOutcomeOk;
  // The exception's name for outcomes 2 and 3 (255 characters at most).
  std::string exceptionText;
  // Set when an operation around the call failed (a table could not be
  // created, read or deleted, a structure not installed): the check cannot
  // go on, and `report` says why. The connection is left as it is.
  bool aborted = false;
  FailureReport report;
};

class RfcBackend {
 public:
  virtual ~RfcBackend() = default;

  // How --version names the library: "classic" or "NetWeaver <version>".
  virtual std::string Describe() = 0;

  // Prepares the library for one system's check, with `handler` for the
  // errors it reports by itself; the backend keeps it.
  virtual void InstallErrorHandler(AbortHandler handler) = 0;

  // Opens a connection; 0 when none was opened. When the system has a
  // per-destination configuration file "SapRfc.<destination>", it is
  // installed as "SapRfc.ini" first, and `onConfigFile` is called before
  // that.
  virtual ConnectionId Open(const ConnectionRequest& request,
                            const std::function<void()>& onConfigFile) = 0;

  // Why the last Open gave 0, as the error document adds it after " - ":
  // the program's own reason ("SapRfc.ini busy") or the library's message.
  // Empty when the classic library refused by itself, which says why in its
  // trace file.
  virtual std::string OpenRefusal() = 0;

  // The CPU probe (GET_CPU_ALL): only the outcome counts.
  virtual QueryResult ProbeCpu(ConnectionId connection) = 0;

  // Calls `call.function` with its arguments and, when it succeeded, hands
  // every row of `call.table` to `sink`, field by field. An exception's name
  // is in `exceptionText`; a table the backend cannot lay out, or an
  // operation around the call that fails, aborts.
  virtual QueryResult CallTable(ConnectionId connection, const TableCall& call, RowSink& sink) = 0;

  // The name of the application server the connection is attached to
  // (RFC_SYSTEM_INFO's RFCDEST, "<host>_<system>_<number>"), without its
  // trailing blanks, into `name` when the call succeeded.
  virtual QueryResult FetchInstanceName(ConnectionId connection, std::string* name) = 0;

  virtual void Close(ConnectionId connection) = 0;

  // The report for `operation` with the library's last error.
  virtual FailureReport LastError(std::string_view operation) = 0;

  // What the error document adds after a failed query: " - " and the
  // library's last error text, or the hint to check the trace file.
  virtual std::string FailureDetail() = 0;

  // After a check whose result was written: removes what the library
  // leaves of it (the classic library's trace file).
  virtual void DiscardTrace() = 0;

  // Called from the deadline's own thread when the run ends while the
  // library may be blocked: releases what other checks would wait for (the
  // lock of the configuration file). Never blocks on the library.
  virtual void ReleaseAtDeadline() = 0;
};

}  // namespace tolvaran

#endif  // TOLVARAN_RFC_BACKEND_H_
