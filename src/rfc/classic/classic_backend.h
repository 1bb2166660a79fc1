// The classic RFC library (librfc32, librfccm) behind RfcBackend.
#ifndef TOLVARAN_RFC_CLASSIC_CLASSIC_BACKEND_H_
#define TOLVARAN_RFC_CLASSIC_CLASSIC_BACKEND_H_

#include <memory>

#include "rfc/backend.h"
#include "rfc/classic/classic_api.h"

namespace tolvaran {

class Host;

// The library's entry points; ItAppLine only for calls that send rows.
struct ClassicLibrary {
  RfcEnvironmentFn RfcEnvironment = nullptr;
  RfcOpenFn RfcOpen = nullptr;
  RfcOpenExFn RfcOpenEx = nullptr;
  RfcInstallStructureFn RfcInstallStructure = nullptr;
  RfcCallFn RfcCall = nullptr;
  RfcReceiveFn RfcReceive = nullptr;
  RfcLastErrorFn RfcLastError = nullptr;
  RfcCloseFn RfcClose = nullptr;
  ItCreateFn ItCreate = nullptr;
  ItFillFn ItFill = nullptr;
  ItGetLineFn ItGetLine = nullptr;
  ItDeleteFn ItDelete = nullptr;
  ItAppLineFn ItAppLine = nullptr;
};

// Binds every entry point from a loaded library; false when one is
// missing (then it is not the classic library).
bool BindClassicLibrary(void* library, ClassicLibrary* lib);

std::unique_ptr<RfcBackend> MakeClassicBackend(Host& host, const ClassicLibrary& lib);

}  // namespace tolvaran

#endif  // TOLVARAN_RFC_CLASSIC_CLASSIC_BACKEND_H_
