#include "driver/run.h"

#include <memory>
#include <new>

#include "driver/build_arch.h"
#include "driver/command_line.h"
#include "driver/global_allocation.h"
#include "driver/listing.h"
#include "driver/profile_location.h"
#include "driver/rfc_access.h"
#include "driver/run_deadline.h"
#include "driver/run_state.h"
#include "driver/single_run.h"
#include "driver/system_check.h"
#include "platform/worker_process.h"

namespace tolvaran {

namespace {

const char kUsage[] =
    "Usage: tolvaran PROFILE [PARAMETERS [MORE]]\n"
    "\n"
    "Checks one SAP system's usage over RFC and writes the result for the\n"
    "monitor (PRTG EXE/XML custom sensor) on standard output.\n"
    "\n"
    "  PROFILE      the system's profile file (.P00 is added when there is no\n"
    "               extension); \"global\" runs the global sensor file\n"
    "  PARAMETERS   CLIENT=nnn   count only this SAP client\n"
    "               ITEM=name    list one value across the systems of Dalvenor.Prf\n"
    "               /CHECK       plain check listing instead of a document\n"
    "               CH=n         Tembrel dialect: only channel n's value\n"
    "               # $ %        progress lines;  @  open PROFILE as typed\n"
    "\n"
    "Exit status: 0 result written, 1 RFC library error (a plain-text report),\n"
    "2 error document, or the output could not be written.\n";

// Written when memory runs out: the document is built without allocating.
const char kOutOfMemoryDocument[] =
    "<Prtg>\n<Error>1</Error>\n<Text>Error 1099: Not enough memory !</Text>\n</Prtg>\n";

int RunChecked(Host& host, const std::vector<std::string>& args);

}  // namespace

int RunProgram(Host& host, const std::vector<std::string>& args) {
  int status;
  try {
    status = RunChecked(host, args);
  } catch (const std::bad_alloc&) {
    // The run record and whatever was being read are gone with the
    // unwinding; the monitor still gets a document it can show.
    host.WriteOut(kOutOfMemoryDocument);
    status = 2;
  }
  // A document the monitor never got whole is no result.
  return host.WriteFailed() ? 2 : status;
}

namespace {

int RunChecked(Host& host, const std::vector<std::string>& args) {
  const std::int64_t startMs = MonotonicMilliseconds();
  if (args.size() == 2 && args[1] == kWorkerFlag) return RunCheckWorker(host);
  if (args.size() == 2 && (args[1] == "--help" || args[1] == "--version")) {
    if (args[1] == "--help") {
      host.WriteOut(kUsage);
    } else {
      host.WriteOut(std::string(kProgramName) + " " + kVersionText + " " + kBuildArch + "\n");
      host.WriteOut(RfcLibraryLines(host));
    }
    return 0;
  }

  // The record is large (fixed text fields); keep it off the stack.
  auto rs = std::make_unique<RunState>();
  rs->host = &host;
  rs->args = args;
  rs->startMs = startMs;
  try {
    StartUp(*rs);
    LocateProfile(*rs);
    if (rs->itemMode) {
      AllocateGlobalSensor(*rs);
      return RunListing(*rs);
    }
    return RunSingleSystem(*rs);
  } catch (const RunEnd& end) {
    if (end.writeResultBuffer && ClaimOutput()) host.WriteOut(rs->resultBuffer.view());
    return end.status;
  }
}

}  // namespace

}  // namespace tolvaran
