// The simulated classic library's state and the failures it records, which
// its three files of entry points share: sim_library.cc (the error handler
// and RfcLastError), sim_library_open.cc (opening and closing connections)
// and sim_library_calls.cc (structures, function calls, internal tables).
#ifndef TOLVARAN_SIM_CLASSIC_SIM_LIBRARY_H_
#define TOLVARAN_SIM_CLASSIC_SIM_LIBRARY_H_

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "rfc/classic/classic_api.h"
#include "sim_answers.h"
#include "sim_config.h"
#include "sim_tables.h"

// On 32-bit Windows the entry points are __stdcall, whose names the compiler
// decorates ("_RfcOpen@4"); such a build must link with --kill-at (or a .def
// file) for the program to find them by their plain names.
#ifdef _WIN32
#define RFCSIM_EXPORT extern "C" __declspec(dllexport)
#else
#define RFCSIM_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace rfcsim {

constexpr char kLocalLocation[] = "CPIC (TCP/IP) on local host";

// Groups of RfcOpenEx's error record.
constexpr int kGroupCommunication = 1;
constexpr int kGroupLogon = 2;
constexpr int kGroupParameter = 3;

enum class OpenMode { kHost, kGateway, kDestination };

struct Connection {
  // The system as it was at the opening: shared, so that the copy each
  // RfcReceive takes (the error handler may close the connection) does not
  // copy the system's rows.
  std::shared_ptr<const SimSystem> system;
  OpenMode mode = OpenMode::kHost;
  std::string language;  // the logon's
  bool pending = false;
  std::string function;
  Outcome outcome;
  // What RfcCall sent, answered at RfcReceive.
  CallInput input;
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

LibraryState& State();
const SimConfig& ReadSimConfig();
bool Fails(Operation op);
void Record(const Failure& failure);
Failure MakeFailure(const char* key, std::string status, std::string message, const char* intstat);
std::string GatewayService(int sysnr);
std::string PartnerLocation(const SimSystem& system, OpenMode mode);

// Called where "abort = <operation>" is configured: records the failure and
// calls the error handler, which in the program never returns. True when the
// operation is to fail; the caller then returns its failure value without
// touching anything the handler might have closed.
bool Aborts(const SimSystem& system, OpenMode mode, Operation op, const char* operation,
            const std::string& status);

// `text` into a fixed field of `size` bytes, cut and NUL-terminated.
void CopyText(char* dest, std::size_t size, const std::string& text);

}  // namespace rfcsim

#endif  // TOLVARAN_SIM_CLASSIC_SIM_LIBRARY_H_
