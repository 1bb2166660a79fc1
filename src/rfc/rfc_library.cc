#include "rfc/rfc_library.h"

#include <string>

#include "driver/error_exit.h"

namespace tolvaran {

namespace {

template <typename Fn>
bool Bind(void* library, const char* name, Fn* slot) {
  *slot = reinterpret_cast<Fn>(FindLibrarySymbol(library, name));
  return *slot != nullptr;
}

bool BindAll(void* library, RfcLibrary* lib) {
  return Bind(library, "RfcEnvironment", &lib->RfcEnvironment) &&
         Bind(library, "RfcOpen", &lib->RfcOpen) && Bind(library, "RfcOpenEx", &lib->RfcOpenEx) &&
         Bind(library, "RfcInstallStructure", &lib->RfcInstallStructure) &&
         Bind(library, "RfcCall", &lib->RfcCall) && Bind(library, "RfcReceive", &lib->RfcReceive) &&
         Bind(library, "RfcLastError", &lib->RfcLastError) &&
         Bind(library, "RfcClose", &lib->RfcClose) && Bind(library, "ItCreate", &lib->ItCreate) &&
         Bind(library, "ItFill", &lib->ItFill) && Bind(library, "ItGetLine", &lib->ItGetLine) &&
         Bind(library, "ItDelete", &lib->ItDelete);
}

std::string ExecutableDirectory(Host& host) {
  std::string exe = host.ExecutablePath();
  std::size_t slash = exe.find_last_of("\\/");
  return slash == std::string::npos ? "" : exe.substr(0, slash);
}

}  // namespace

void RequireRfcLibrary(RunState& rs) {
  if (rs.rfc.loaded) return;
  for (const std::string& candidate : RfcLibraryCandidates(ExecutableDirectory(*rs.host))) {
    void* library = OpenSharedLibrary(candidate);
    if (!library) continue;
    RfcLibrary lib;
    // A library without every entry point is not the RFC library; the
    // search goes on rather than calling through a null pointer later.
    if (BindAll(library, &lib)) {
      rs.rfc.lib = lib;
      rs.rfc.loaded = true;
      return;
    }
  }
  FatalError(rs, "Error 1010: RFC library librfc32 could not be loaded !");
}

}  // namespace tolvaran
