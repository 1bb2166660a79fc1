// A classic RFC library for tests, fuzz targets and benchmarks: the twelve
// entry points as C functions with the library's signatures, given to the
// program as a ClassicLibrary in place of a loaded one.
//
// The functions record what they are given, in the order they are called,
// answer with the outcomes a test chooses, and hand back user-list rows of
// the layouts in rfc/classic/classic_layout.h. They are strict where the real
// library is trusting: every text the program hands over is read to its
// terminator, every value sent is read and every value received written to
// the full length the program declared, and every row is an allocation of
// exactly the row length, so that AddressSanitizer sees a terminator that
// is missing, a place shorter than declared, or a row read past its end.
// What the program gets wrong in its use of the interface (an unknown
// table, a row type it never installed, ...) is a fault: by default
// recorded in `faults`, or handed to `onFault`.
//
// The library has no parameter for its user: the one state is reached
// through FakeClassic(), as the real library keeps its own.
#ifndef TOLVARAN_TESTS_SUPPORT_FAKE_CLASSIC_LIBRARY_H_
#define TOLVARAN_TESTS_SUPPORT_FAKE_CLASSIC_LIBRARY_H_

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "rfc/classic/classic_api.h"
#include "rfc/classic/classic_backend.h"

namespace tolvaran {

struct FakeField {
  std::string name;
  unsigned type, length, decimals, offset;
};

struct FakeInstall {
  std::string name;
  unsigned count;
  std::vector<FakeField> fields;
};

// A parameter entry as it was handed over; `bytes` is what lay at its
// address then.
struct FakeParam {
  std::string name;
  unsigned nlen, type, leng;
  void* addr;
  std::string bytes;
};

struct FakeTableRef {
  std::string name;
  unsigned nlen, type, leng;
  void* ithandle;
  int itmode, newitab;
};

struct FakeCall {
  RfcHandle handle;
  std::string function;
  std::vector<FakeParam> exporting;
  std::vector<FakeTableRef> tables;
};

struct FakeReceive {
  RfcHandle handle;
  std::vector<FakeParam> importing;
  std::vector<FakeTableRef> tables;
  bool exceptionStartedNull;
};

// What RfcOpen was given, copied: the texts may change with the next
// opening. A text passed as null is nullopt.
struct FakeOpen {
  std::optional<std::string> destination, client, user, password, language;
  int mode = -1;
  int trace = -1;
  void* connopt = nullptr;
  std::optional<std::string> hostname;  // mode 0 only
  int sysnr = -1;                       // mode 0 only
  std::optional<std::string> gatewayHost, gatewayService;
  // Where the password lay: a library that keeps the pointer must find it
  // wiped once the opening has returned.
  const char* passwordAt = nullptr;
};

struct FakeOpenEx {
  std::string connect;
  bool errorRecord = false;
  const char* connectAt = nullptr;  // as passwordAt
};

struct FakeTable {
  std::string name;
  unsigned leng, occu, memo;
  bool deleted = false;
  // Each row its own allocation of exactly the table's row length.
  std::vector<std::unique_ptr<unsigned char[]>> rows;
  const std::string* block = nullptr;  // FakeClassicState::userRowBlock, when served
};

struct FakeClassicState {
  // ----- behaviour, chosen by the test ---------------------------------------
  RfcHandle openResult = 17;
  RfcHandle openExResult = 23;
  // Refuse connections to destinations that are empty or whose first
  // character's code is odd, so that a listing sees both outcomes.
  bool refuseOddDestinations = false;
  int installResult = 0;
  int callResult = 0;
  int userListOutcome = kRfcOk;    // RfcReceive for THUSRINFO
  int cpuOutcome = kRfcOk;         // RfcReceive for GET_CPU_ALL
  int serverListOutcome = kRfcOk;  // RfcReceive for TH_SERVER_LIST
  int systemInfoOutcome = kRfcOk;  // RfcReceive for RFC_SYSTEM_INFO
  std::string exceptionName;       // handed back by RfcReceive when not empty
  bool createFails = false;
  int deleteResult = 0;
  unsigned getLineFailsAt = 0;  // ItGetLine of this row gives null
  // User-list rows as bytes (UinfoRow), each cut or padded with NUL bytes
  // to the row length the program gave ItCreate.
  std::vector<std::string> userRows;
  // Rows served in place from one block of whole rows that the caller
  // keeps alive, for a benchmark's table of a million sessions: nothing is
  // copied per row. Null: `userRows` are served.
  const std::string* userRowBlock = nullptr;
  // Server-list rows as bytes (MsxxlistRow), each cut or padded with NUL
  // bytes to the row length the program gave ItCreate; they go into a
  // table named LIST whose row type is MSXXLIST as the layout describes it.
  std::vector<std::string> serverRows;
  // RFC_SYSTEM_INFO's RFCSI_EXPORT (RfcsiRecord): written over the value
  // the program receives as RFCSI_EXPORT, cut to the length it declared.
  std::string systemInfo;
  // False: nothing is recorded (no trail, calls, receives, fetched lines or
  // deleted tables; a deleted table is freed), so that a benchmark can run
  // queries without end at a constant cost per query.
  bool recording = true;
  // What RfcLastError hands back; an empty text leaves its field as it
  // was given.
  std::string errorKey = "KEY-7", errorStatus = "STATUS-7", errorMessage = "MESSAGE-7",
              errorIntstat = "INTSTAT-7";
  int lastErrorResult = 0;
  // When the program calls the entry point named here ("RfcCall",
  // "RfcOpen", ...), the library reports an error through the installed
  // error handler with `abortOperation`, as the real one does from inside
  // a call. The handler must not return; if it does, that is a fault.
  std::string abortIn;
  std::string abortOperation;
  // Called by RfcOpenEx before it answers: the library reads its
  // configuration file then.
  std::function<void()> duringOpenEx;
  // Called by RfcClose, after it recorded the handle.
  std::function<void()> duringClose;
  // Gets every fault; null: they are recorded in `faults`.
  std::function<void(const std::string&)> onFault;

  // ----- what the program did ------------------------------------------------
  // Every call, in order: the entry point's name and its main argument
  // ("ItCreate USR_TABL", "RfcCall GET_CPU_ALL", "ItGetLine 2", "RfcClose 0").
  std::vector<std::string> trail;
  std::vector<RfcEnvironmentRecord> environments;
  std::vector<FakeOpen> opens;
  std::vector<FakeOpenEx> openExes;
  std::vector<FakeInstall> installs;
  std::vector<FakeCall> calls;
  std::vector<FakeReceive> receives;
  std::vector<std::unique_ptr<FakeTable>> tables;  // in creation order
  std::vector<RfcTable> deleted;
  unsigned fillCalls = 0;
  std::vector<unsigned> linesFetched;
  std::vector<RfcHandle> closed;
  int lastErrorCalls = 0;
  bool lastErrorRecordWasZero = false;
  std::vector<std::string> faults;
  std::string lastFunction;  // of the last RfcCall, recorded or not
};

// The one state of the fake library.
FakeClassicState& FakeClassic();

// Resets the state to its defaults and returns the entry points.
ClassicLibrary ResetFakeClassic();

// The fake's tables that were created and not deleted.
std::size_t FakeTablesAlive();

// The entries of the trail that start with `prefix`.
std::vector<std::string> TrailOf(std::string_view prefix);

// A UINFO row laid out by the layout table: every field by its name, a
// character field blank-filled, any other field zero-filled where `values`
// has none. A value longer than its field is cut.
std::string UinfoRow(const std::map<std::string, std::string>& values);

// A UINFO row of one session, with plausible values in the other fields.
std::string UserRow(std::string_view client, std::string_view user, std::string_view tcode,
                    std::string_view terminal, std::uint32_t external, std::uint32_t internal);

// An MSXXLIST row: NAME, HOST and SERV blank-padded (or cut) to their
// fields, the raw fields zero.
std::string MsxxlistRow(std::string_view name, std::string_view host, std::string_view service);

// An RFCSI record of the layout's length, blank-filled, with RFCDEST (cut
// to its field) and the other fields plausible.
std::string RfcsiRecord(std::string_view destination);

// The four bytes of an integer field, in the platform's byte order.
std::string Int4(std::uint32_t value);

// Three sessions: SAPMON at two terminals in client 100, DDIC in 000.
std::vector<std::string> SampleUserRows();

}  // namespace tolvaran

#endif  // TOLVARAN_TESTS_SUPPORT_FAKE_CLASSIC_LIBRARY_H_
