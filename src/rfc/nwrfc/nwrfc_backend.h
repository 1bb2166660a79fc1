// The SAP NetWeaver RFC library (sapnwrfc) behind RfcBackend.
#ifndef TOLVARAN_RFC_NWRFC_NWRFC_BACKEND_H_
#define TOLVARAN_RFC_NWRFC_NWRFC_BACKEND_H_

#include <memory>

#include "rfc/backend.h"
#include "rfc/nwrfc/nwrfc_api.h"

namespace tolvaran {

class Host;

// The entry points the backend uses.
struct NetWeaverLibrary {
  NwRfcOpenConnectionFn RfcOpenConnection = nullptr;
  NwRfcCloseConnectionFn RfcCloseConnection = nullptr;
  NwRfcGetFunctionDescFn RfcGetFunctionDesc = nullptr;
  NwRfcCreateFunctionFn RfcCreateFunction = nullptr;
  NwRfcDestroyFunctionFn RfcDestroyFunction = nullptr;
  NwRfcSetCharsFn RfcSetChars = nullptr;
  NwRfcSetIntFn RfcSetInt = nullptr;
  NwRfcInvokeFn RfcInvoke = nullptr;
  NwRfcGetTableFn RfcGetTable = nullptr;
  NwRfcGetStructureFn RfcGetStructure = nullptr;
  NwRfcGetRowCountFn RfcGetRowCount = nullptr;
  NwRfcAppendNewRowFn RfcAppendNewRow = nullptr;
  NwRfcMoveToFn RfcMoveTo = nullptr;
  NwRfcGetCharsFn RfcGetChars = nullptr;
  NwRfcGetIntFn RfcGetInt = nullptr;
  NwRfcGetVersionFn RfcGetVersion = nullptr;
};

// Binds every entry point from a loaded library; false when one is
// missing.
bool BindNetWeaverLibrary(void* library, NetWeaverLibrary* lib);

std::unique_ptr<RfcBackend> MakeNetWeaverBackend(Host& host, const NetWeaverLibrary& lib);

// The outcome of a function-module call from the library's return code:
// 0 success; 2 an ABAP exception; 3 an ABAP runtime failure or message;
// 1 a broken, closed, cancelled or timed-out connection; any other code an
// outcome outside 0 to 3.
int OutcomeOfReturnCode(RFC_RC rc);

}  // namespace tolvaran

#endif  // TOLVARAN_RFC_NWRFC_NWRFC_BACKEND_H_
