// The simulated NetWeaver library's function modules (those of the
// landscape's table, sim_functions.h): their descriptions, creating and
// destroying a function, and RfcInvoke, which sends what the caller set and
// fills the function's parameters and tables from the system's answer.
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "nwrfc_library.h"
#include "nwrfc_model.h"
#include "sim_answers.h"
#include "sim_config.h"
#include "sim_functions.h"
#include "sim_landscape.h"
#include "sim_unicode.h"

using rfcsim::nw::Error;
using rfcsim::nw::MakeError;

namespace rfcsim {
namespace {

// One description per module of the table, made when first asked for and
// kept: its address is the handle.
NwRfcFunctionDesc* FindDesc(std::string_view name) {
  static auto* descs = new std::map<std::string, NwRfcFunctionDesc, std::less<>>();
  const FunctionSpec* spec = FindFunction(name);
  if (spec == nullptr) return nullptr;
  return &descs->emplace(spec->name, NwRfcFunctionDesc{spec}).first->second;
}

bool IsDesc(const NwRfcFunctionDesc* handle) {
  return handle != nullptr && FindDesc(handle->spec->name) == handle;
}

void Forget(NwRfcDataContainer* container) {
  for (auto& table : container->tables) Lib().containers.erase(table.second.get());
  Lib().containers.erase(container);
}

// What the caller set: parameters as UTF-8 text, the rows of its tables.
CallInput Input(const NwRfcDataContainer& function, const std::string& language) {
  CallInput input;
  input.language = language;
  for (const auto& entry : function.chars) input.params[entry.first] = Utf16ToUtf8(entry.second);
  for (const auto& entry : function.ints) {
    input.params[entry.first] = std::to_string(entry.second);
  }
  for (const auto& entry : function.tables) {
    if (!entry.second->isTable) continue;
    if (auto rows = std::dynamic_pointer_cast<CellRows>(entry.second->rows)) {
      input.tables[entry.first] = rows;
    }
  }
  return input;
}

// The answer into the function: the values it returns, its tables.
void Deliver(NwRfcDataContainer& function, Answer& answer) {
  for (const auto& value : answer.values) {
    if (value.second.isText) {
      function.chars[value.first] = Latin1ToUtf16(value.second.Text());
    } else {
      function.ints[value.first] = value.second.number;
    }
  }
  for (auto& table : answer.tables) {
    std::unique_ptr<NwRfcDataContainer>& slot = function.tables[table.first];
    if (!slot) {
      slot = std::make_unique<NwRfcDataContainer>();
      Lib().containers.insert(slot.get());
    }
    slot->isTable = function.function->FindTable(table.first) != nullptr;
    slot->rows = table.second;
    slot->current = 0;
  }
}

RFC_RC Invoke(RFC_CONNECTION_HANDLE connection, RFC_FUNCTION_HANDLE function,
              RFC_ERROR_INFO* info) {
  State& s = Lib();
  if (s.connections.count(connection) == 0) return Report(InvalidHandle("connection"), info);
  NwRfcDataContainer* f = Live(function);
  if (f == nullptr || f->function == nullptr) return Report(InvalidHandle("function"), info);
  const SimSystem& system = connection->system;
  HangIfConfigured(system, kOpRfcInvoke);
  TakeConfiguredDelay(system);
  if (Fails(kOpRfcInvoke)) return Report(Simulated("RfcInvoke"), info);
  Answer answer = AnswerCall(*f->function, system, Input(*f, connection->language));
  Error error = nw::OutcomeError(answer.outcome, f->function->name);
  if (error.code == RFC_OK && answer.outcome.kind == OutcomeKind::kOk) {
    if (!answer.setupError.empty()) {
      error = MakeError(RFC_COMMUNICATION_FAILURE, answer.setupError);
    } else {
      Deliver(*f, answer);
    }
  }
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
    function->function = funcDescHandle->spec;
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
  if (function == nullptr || function->function == nullptr) {
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
