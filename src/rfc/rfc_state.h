// What the RFC layer keeps for the whole run: the loaded library, the
// installed structure types, and the records and working copies of the last
// connection opening (the library may keep pointers into them).
#ifndef TOLVARAN_RFC_RFC_STATE_H_
#define TOLVARAN_RFC_RFC_STATE_H_

#include "driver/fixed_text.h"
#include "rfc/rfc_interface.h"

namespace tolvaran {

// The library's twelve entry points; all set once the library is loaded.
struct RfcLibrary {
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
};

// Working copies of the profile fields handed to the library, sized for the
// paddings they receive.
struct ConnectionTexts {
  FixedText<12> destination;
  FixedText<12> client;
  FixedText<64> user;
  FixedText<48> password;
  FixedText<32> language;
  FixedText<32> mode;
  FixedText<48> hostname;
  FixedText<32> systemNumber;
  FixedText<62> gatewayHost;
  FixedText<32> gatewayService;
};

struct RfcState {
  bool loaded = false;
  RfcLibrary lib;

  RfcTypeHandle cpuAllType = 0;
  RfcTypeHandle uinfoType = 0;

  ConnectionTexts texts;
  RfcOpenOptions openOptions = {};
  HostOptions hostOptions = {};
  GatewayOptions gatewayOptions = {};
  RfcErrorRecord openExError = {};
  FixedText<512> connectString;
  RfcHandle lastHandle = 0;
  RfcEnvironmentRecord environment = {};
};

}  // namespace tolvaran

#endif  // TOLVARAN_RFC_RFC_STATE_H_
