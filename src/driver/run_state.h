// The run record: everything one run of the program knows, in one place.
//
// One RunState exists per run. It is created by RunProgram (driver/run.h)
// and handed by reference to every step; nothing reaches it any other way,
// except the RFC library's error handler, which has no parameter for it and
// finds what it needs through the one pointer that driver/rfc_access.cc
// keeps while the handler is installed.
//
// Text fields have the capacities the monitor's files and the RFC library
// were designed around; FixedText cuts what does not fit.
#ifndef TOLVARAN_DRIVER_RUN_STATE_H_
#define TOLVARAN_DRIVER_RUN_STATE_H_

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "driver/parameters.h"
#include "driver/report_settings.h"
#include "platform/host.h"
#include "rfc/backend.h"
#include "text/fixed_text.h"

namespace tolvaran {

// The dialect of the result document.
enum class OutputFlavour { kExeXml, kMirvane, kQuillrax, kTembrel, kFandrok };

const char* FlavourName(OutputFlavour flavour);

// One SAP system's connection record, filled from a profile file. Never
// cleared between readings: a key a profile lacks keeps its earlier value.
struct SystemProfile {
  FixedText<64> extCompany;
  FixedText<12> destination;
  FixedText<12> logonClient;
  FixedText<48> user;
  FixedText<32> password;
  FixedText<32> language;
  FixedText<32> mode;
  FixedText<48> hostname;
  FixedText<32> systemNumber;
  FixedText<62> gatewayHost;
  FixedText<32> gatewayService;
  // The optional SNC keys ("Snc-Mode...:" and the like). Each profile's
  // own: a listed profile without them does not take another's.
  FixedText<64> sncMode;
  FixedText<64> sncPartner;
  FixedText<64> sncQop;
  FixedText<64> sncMyname;
  FixedText<64> sncLibrary;
  // One bit per field, in the order of the keys (Extcompany.: first): set
  // while the field holds a value that was cut to fit. Such a field is
  // invalid, also for a later profile that lacks the key and so keeps it.
  std::uint16_t cutFields = 0;

  void Clear();
};

enum class RunStatus { kErr, kOk };

struct RunState {
  Host* host = nullptr;
  // When the run started, on the monotonic clock: TIMEOUT= counts from
  // here. Read at start-up, and only when TIMEOUT= is given.
  std::int64_t startMs = 0;
  // The command line as given (argument 0 is the program's path as invoked).
  std::vector<std::string> args;

  // Command line and profile location.
  FixedText<64> profileName;
  Parameters params;  // the parameter text, parsed
  FixedText<4> client;
  bool itemMode = false;
  FixedText<128> itemName;
  bool verbose = false;
  FixedText<124> headerLine;
  OutputFlavour outputFlavour = OutputFlavour::kExeXml;
  // FORMAT= and its parameters: a monitor's dialect instead of the document.
  ReportSettings report;
  FixedText<96> profileDir;
  FixedText<82> profilePath;
  // The profile file opened by the location step, read whole; empty when
  // none is open.
  bool profileOpen = false;
  std::string profileBytes;

  // Password key table, built at start-up.
  std::array<unsigned char, 32> keyTable = {};

  // Listing.
  // The listed profile names, each followed by "#", as the listing lines
  // give them; read from `listingOffset` on. Not capped: a cut could name
  // another profile. Its entries are counted, up to kMaxListedSystems.
  std::string serverListing;
  std::size_t listingOffset = 0;
  std::size_t listingNames = 0;  // the "#"s collected so far
  FixedText<2> labelKind;
  bool foundFlag = false;
  bool failFlag = false;
  std::uint32_t systemCount = 0;
  std::uint32_t processedCount = 0;
  std::uint32_t failedCount = 0;
  FixedText<144> systemLabel;

  SystemProfile profile;

  // Result.
  FixedText<4096> resultBuffer;
  std::int32_t channelCounter = 0;
  RunStatus runStatus = RunStatus::kErr;
  std::int32_t runResult = 0;

  // RFC connection.
  std::unique_ptr<RfcBackend> backend;  // null until the library is loaded
  // Host name and system number overrides for ",HOST=" and ",NO=" in the
  // parameters. Nothing fills them yet: with those markers the host is
  // passed as none and the system number keeps its previous value.
  FixedText<48> hostOverride;
  FixedText<32> systemNumberOverride;
  int lastSystemNumber = 0;
};

// How a run ends before its normal end: thrown by the step that meets a
// fatal condition and caught once, in RunProgram, which writes the result
// buffer when asked to and returns the status to main.
struct RunEnd {
  int status;
  bool writeResultBuffer;
};

}  // namespace tolvaran

#endif  // TOLVARAN_DRIVER_RUN_STATE_H_
