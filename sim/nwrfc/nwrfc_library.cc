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
// 0: RFC_OK without rows); an exception the module raises itself
// (RFC_READ_TABLE's OPTION_NOT_VALID, ...) as "exception NAME".
// RfcGetFunctionDesc of a function not in the landscape's table:
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
// Containers: the parameters, tables and row types of each function module
// are those of the landscape's table (sim_functions.h; sim/FUNCTIONS.md
// lists them), names exact upper case. The caller sets parameters with
// RfcSetChars and RfcSetInt and fills a table it sends with RfcAppendNewRow
// (which returns the table's handle, its new row current) and the setters.
// Tables are empty, and structures (RFC_SYSTEM_INFO's RFCSI_EXPORT) blank,
// until RfcInvoke succeeds; then the answer's tables replace them. Rows
// count from 0 and the current row starts at 0. RfcGetChars writes a
// character-like field (C, N, D, T) at its length, blank-padded and not
// terminated, RFC_BUFFER_TOO_SMALL for a shorter buffer; RfcGetInt reads
// integer fields and N fields. Texts are the Latin-1 bytes of the
// landscape as UTF-16, the user list's UTF-8 with "users_encoding =
// utf-8", the rows of SapSim.ini ("wp =", "snap =", ...) UTF-8.
//
// RfcGetVersion: "7500.0.12" (7500, 0, 12), the text from the companion
// library libsapucum. No trace file is written.
// Single-threaded, like the program.
//
// Here: the handles' state, opening and closing, RfcGetVersion; the
// function modules are in nwrfc_library_functions.cc, their containers in
// nwrfc_library_containers.cc.

#include "nwrfc_library.h"

#include <filesystem>
#include <map>
#include <string>

#include "nwrfc_model.h"
#include "sim_config.h"
#include "sim_files.h"
#include "sim_landscape.h"

using rfcsim::nw::Error;
using rfcsim::nw::MakeError;

// From the companion library (sim/ucum), which this one imports as SAP's
// imports libsapucum: loading this library loads that one too.
extern "C" const char16_t* SimUcumVersionText();

namespace rfcsim {

State& Lib() {
  static State* state = new State();
  return *state;
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

namespace {

constexpr char kIniName[] = "sapnwrfc.ini";

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
  auto lang = parameters.find("lang");
  auto* connection =
      new NwRfcConnection{system, lang == parameters.end() ? std::string() : lang->second};
  State& s = Lib();
  s.connections.insert(connection);
  s.hasCurrent = true;
  s.currentFail = system.fail;
  Report(Error(), info);
  return connection;
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
[[maybe_unused]] constexpr NwRfcGetVersionFn kGetVersion = &RfcGetVersion;

}  // namespace
