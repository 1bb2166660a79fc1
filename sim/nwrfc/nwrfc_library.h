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
#include "sim_config.h"

#ifdef _WIN32
#define NWRFCSIM_EXPORT extern "C" __declspec(dllexport)
#else
#define NWRFCSIM_EXPORT extern "C" __attribute__((visibility("default")))
#endif

// The handles' structures, which the interface leaves undefined.
struct NwRfcConnection {
  rfcsim::SimSystem system;
};

struct NwRfcFunctionDesc {
  const char* name;
  rfcsim::nw::Container container;
};

struct NwRfcDataContainer {
  rfcsim::nw::Container container;
  std::string function;  // a function module's name
  // A function module's: its parameters set or received, its tables.
  std::map<std::string, std::u16string> chars;
  std::map<std::string, std::unique_ptr<NwRfcDataContainer>> tables;
  bool invoked = false;
  // Integer parameters set by the caller.
  std::map<std::string, long long> ints;
  // A table's rows: the sessions of a user list (or how to generate them),
  // the servers of a server list, or the one CPU row.
  std::vector<rfcsim::Session> sessions;
  std::vector<rfcsim::SimServer> servers;
  bool generated = false;
  unsigned long generatedCount = 0;
  std::string client;
  unsigned rows = 0;
  unsigned current = 0;
  rfcsim::Session scratch;  // the generated session last asked for
  unsigned long scratchIndex = ~0ul;
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
