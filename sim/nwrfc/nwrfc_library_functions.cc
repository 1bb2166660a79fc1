// The simulated NetWeaver library's function modules: their descriptions,
// creating and destroying a function, and RfcInvoke, which fills the
// function's tables from the system's answer.
#include <memory>
#include <string>
#include <string_view>

#include "nwrfc_library.h"
#include "nwrfc_model.h"
#include "sim_config.h"
#include "sim_files.h"
#include "sim_landscape.h"
#include "sim_rows.h"
#include "sim_unicode.h"

using rfcsim::nw::Container;
using rfcsim::nw::Error;
using rfcsim::nw::MakeError;

namespace rfcsim {
namespace {

NwRfcFunctionDesc kFunctionDescs[] = {
    {"THUSRINFO", Container::kThusrinfo},
    {"GET_CPU_ALL", Container::kGetCpuAll},
    {"TH_SERVER_LIST", Container::kThServerList},
    {"RFC_SYSTEM_INFO", Container::kRfcSystemInfo},
};

NwRfcFunctionDesc* FindDesc(std::string_view name) {
  for (NwRfcFunctionDesc& desc : kFunctionDescs) {
    if (name == desc.name) return &desc;
  }
  return nullptr;
}

bool IsDesc(const NwRfcFunctionDesc* handle) {
  for (const NwRfcFunctionDesc& desc : kFunctionDescs) {
    if (handle == &desc) return true;
  }
  return false;
}

void Forget(NwRfcDataContainer* container) {
  for (auto& table : container->tables) Lib().containers.erase(table.second.get());
  Lib().containers.erase(container);
}

// Fills the function's tables from the system's answer.
Error Deliver(NwRfcDataContainer& function, const SimSystem& system) {
  for (auto& entry : function.tables) entry.second->rows = 0;
  auto table = [&function](const char* name, Container kind) -> NwRfcDataContainer& {
    std::unique_ptr<NwRfcDataContainer>& slot = function.tables[name];
    if (!slot) {
      slot = std::make_unique<NwRfcDataContainer>();
      slot->container = kind;
      Lib().containers.insert(slot.get());
    }
    slot->current = 0;
    return *slot;
  };
  if (function.container == Container::kGetCpuAll) {
    function.chars["OP_SYSTEM"] =
        Latin1ToUtf16(ImportingValue("GET_CPU_ALL", "OP_SYSTEM", system)->Text());
    table("TF_CPU_ALL", Container::kTfCpuAll).rows = 1;
    return Error();
  }
  if (function.container == Container::kThServerList) {
    NwRfcDataContainer& list = table("LIST", Container::kList);
    list.servers = system.servers.list();
    list.rows = static_cast<unsigned>(list.servers.size());
    return Error();
  }
  if (function.container == Container::kRfcSystemInfo) {
    NwRfcDataContainer& rfcsi = table("RFCSI_EXPORT", Container::kRfcsi);
    for (unsigned i = 0; i < kRfcsiFieldCount; ++i) {
      rfcsi.chars[kRfcsiFields[i].name] =
          Latin1ToUtf16(SystemInfoValue(kRfcsiFields[i].name, system)->Text());
    }
    return Error();
  }
  NwRfcDataContainer& users = table("USR_TABL", Container::kUsrTabl);
  users.sessions.clear();
  users.generated = false;
  users.scratchIndex = ~0ul;
  UsersSource source = ParseUsersValue(system.users);
  if (source.kind == UsersSource::kGenerate) {
    users.generated = true;
    users.generatedCount = source.count;
    users.client = system.client;
    users.rows = static_cast<unsigned>(source.count);
  } else if (source.kind == UsersSource::kFile) {
    std::string text;
    if (!ReadWholeFile(FindIgnoringCase(source.file), &text)) {
      return MakeError(
          RFC_COMMUNICATION_FAILURE,
          "user list " + source.file + " of " + system.name + " cannot be read (simulation setup)");
    }
    users.sessions = ParseUsersFile(text, system.usersUtf8);
    users.rows = static_cast<unsigned>(users.sessions.size());
  }
  return Error();
}

RFC_RC Invoke(RFC_CONNECTION_HANDLE connection, RFC_FUNCTION_HANDLE function,
              RFC_ERROR_INFO* info) {
  State& s = Lib();
  if (s.connections.count(connection) == 0) return Report(InvalidHandle("connection"), info);
  NwRfcDataContainer* f = Live(function);
  if (f == nullptr || !IsFunction(f->container)) return Report(InvalidHandle("function"), info);
  const SimSystem& system = connection->system;
  HangIfConfigured(system, kOpRfcInvoke);
  TakeConfiguredDelay(system);
  if (Fails(kOpRfcInvoke)) return Report(Simulated("RfcInvoke"), info);
  const Outcome& outcome = nw::OutcomeOf(system, f->container);
  Error error = nw::OutcomeError(outcome, f->function);
  if (error.code == RFC_OK && outcome.kind == OutcomeKind::kOk) error = Deliver(*f, system);
  return Report(error, info);
}

}  // namespace
}  // namespace rfcsim

using namespace rfcsim;

// The exported entry points. Each keeps C++ exceptions (only an exhausted
// memory can raise one here) from crossing into a C caller.

NWRFCSIM_EXPORT RFC_FUNCTION_DESC_HANDLE NWRFC_CALL RfcGetFunctionDesc(
    RFC_CONNECTION_HANDLE rfcHandle, const SAP_UC* funcName, RFC_ERROR_INFO* errorInfo) {
  try {
    if (Lib().connections.count(rfcHandle) == 0) {
      Report(InvalidHandle("connection"), errorInfo);
      return nullptr;
    }
    if (Fails(kOpRfcGetFunctionDesc)) {
      Report(Simulated("RfcGetFunctionDesc"), errorInfo);
      return nullptr;
    }
    std::string name = nw::Narrow(funcName);
    NwRfcFunctionDesc* desc = FindDesc(name);
    if (desc == nullptr) {
      Report(MakeError(RFC_ABAP_RUNTIME_FAILURE, "function module " + name + " not found",
                       "FU_NOT_FOUND"),
             errorInfo);
      return nullptr;
    }
    Report(Error(), errorInfo);
    return desc;
  } catch (...) {
    Report(MakeError(RFC_MEMORY_INSUFFICIENT, "out of memory"), errorInfo);
    return nullptr;
  }
}

NWRFCSIM_EXPORT RFC_FUNCTION_HANDLE NWRFC_CALL
RfcCreateFunction(RFC_FUNCTION_DESC_HANDLE funcDescHandle, RFC_ERROR_INFO* errorInfo) {
  try {
    if (!IsDesc(funcDescHandle)) {
      Report(InvalidHandle("function description"), errorInfo);
      return nullptr;
    }
    if (Fails(kOpRfcCreateFunction)) {
      Report(Simulated("RfcCreateFunction"), errorInfo);
      return nullptr;
    }
    auto* function = new NwRfcDataContainer();
    function->container = funcDescHandle->container;
    function->function = funcDescHandle->name;
    Lib().containers.insert(function);
    Report(Error(), errorInfo);
    return function;
  } catch (...) {
    Report(MakeError(RFC_MEMORY_INSUFFICIENT, "out of memory"), errorInfo);
    return nullptr;
  }
}

NWRFCSIM_EXPORT RFC_RC NWRFC_CALL RfcDestroyFunction(RFC_FUNCTION_HANDLE funcHandle,
                                                     RFC_ERROR_INFO* errorInfo) {
  NwRfcDataContainer* function = Live(funcHandle);
  if (function == nullptr || !function->function.size()) {
    return Report(InvalidHandle("function"), errorInfo);
  }
  if (Fails(kOpRfcDestroyFunction)) return Report(Simulated("RfcDestroyFunction"), errorInfo);
  Forget(function);
  delete function;
  return Report(Error(), errorInfo);
}

NWRFCSIM_EXPORT RFC_RC NWRFC_CALL RfcInvoke(RFC_CONNECTION_HANDLE rfcHandle,
                                            RFC_FUNCTION_HANDLE funcHandle,
                                            RFC_ERROR_INFO* errorInfo) {
  try {
    return Invoke(rfcHandle, funcHandle, errorInfo);
  } catch (...) {
    return Report(MakeError(RFC_MEMORY_INSUFFICIENT, "out of memory"), errorInfo);
  }
}

namespace {

// The program loads these by name into pointers of the interface's types; a
// signature that drifted from the interface should stop the build here.
[[maybe_unused]] constexpr NwRfcGetFunctionDescFn kGetFunctionDesc = &RfcGetFunctionDesc;
[[maybe_unused]] constexpr NwRfcCreateFunctionFn kCreateFunction = &RfcCreateFunction;
[[maybe_unused]] constexpr NwRfcDestroyFunctionFn kDestroyFunction = &RfcDestroyFunction;
[[maybe_unused]] constexpr NwRfcInvokeFn kInvoke = &RfcInvoke;

}  // namespace
