// The simulated NetWeaver library's handles and state, which its three
// files of entry points share: nwrfc_library.cc (opening, closing and the
// version), nwrfc_library_functions.cc (function descriptions, functions
// and RfcInvoke) and nwrfc_library_containers.cc (the parameters, tables
// and structures of a function, and their fields).
#ifndef TOLVARAN_SIM_NWRFC_NWRFC_LIBRARY_H_
#define TOLVARAN_SIM_NWRFC_NWRFC_LIBRARY_H_

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "nwrfc_model.h"
#include "rfc/nwrfc/nwrfc_api.h"
#include "sim_answers.h"
#include "sim_config.h"
#include "sim_functions.h"

#ifdef _WIN32
#define NWRFCSIM_EXPORT extern "C" __declspec(dllexport)
#else
#define NWRFCSIM_EXPORT extern "C" __attribute__((visibility("default")))
#endif

// The handles' structures, which the interface leaves undefined.
struct NwRfcConnection {
  rfcsim::SimSystem system;
  std::string language;  // the logon's "lang"
};

struct NwRfcFunctionDesc {
  const rfcsim::FunctionSpec* spec;
};

// A function module, or one of its tables or structures.
struct NwRfcDataContainer {
  // A function module's: its spec, its parameters as set or received (texts
  // as UTF-16, integers), its tables and structures by name.
  const rfcsim::FunctionSpec* function = nullptr;
  std::map<std::string, std::u16string> chars;
  std::map<std::string, long long> ints;
  std::map<std::string, std::unique_ptr<NwRfcDataContainer>> tables;
  // A table's or structure's: its rows (those the caller appended, or the
  // answer's) and the current one, which the field accessors read.
  bool isTable = false;
  std::shared_ptr<rfcsim::RowSet> rows;
  unsigned current = 0;
};

namespace rfcsim {

struct State {
  std::set<NwRfcConnection*> connections;
  std::set<NwRfcDataContainer*> containers;  // function modules and their tables
  bool hasCurrent = false;
  OperationSet currentFail = 0;
};

State& Lib();
// `error` into `info` (null: nothing); its return code.
RFC_RC Report(const nw::Error& error, RFC_ERROR_INFO* info);
// Whether "fail =" names `op` for the system of the most recent opening.
bool Fails(Operation op);
nw::Error Simulated(const char* operation);
nw::Error InvalidHandle(const char* what);
// The handle when it is a function or table this library made and has not
// destroyed, else null.
NwRfcDataContainer* Live(DATA_CONTAINER_HANDLE handle);

}  // namespace rfcsim

#endif  // TOLVARAN_SIM_NWRFC_NWRFC_LIBRARY_H_
