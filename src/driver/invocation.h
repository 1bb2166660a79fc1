// The run as the command line gives it: built once at start-up (StartUp,
// driver/command_line.h) and read, never written, by every later step.
#ifndef TOLVARAN_DRIVER_INVOCATION_H_
#define TOLVARAN_DRIVER_INVOCATION_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "driver/parameters.h"
#include "driver/report_settings.h"
#include "output/check_report.h"
#include "output/result_document.h"
#include "profile/password.h"
#include "profile/system_profile.h"
#include "text/fixed_text.h"

namespace tolvaran {

struct Invocation {
  // The command line as given (argument 0 is the program's path as invoked).
  std::vector<std::string> args;
  // When the program started, on the monotonic clock: TIMEOUT= counts from
  // here.
  std::int64_t startMs = 0;
  // "* hh:mm:ss SAP Tolvaran Vers ...": the first progress line, its time
  // the run's start.
  FixedText<124> headerLine;
  // The profile as named: the command line's, or "Dalvenor.Prf" when the
  // parameters name an item.
  FixedText<kMaxProfileName + 1> profileName;
  Parameters params;      // the command line's parameter text, parsed
  bool itemMode = false;  // "ITEM=": a listing over Dalvenor.Prf
  FixedText<128> itemName;
  bool verbose = false;                            // progress lines ("#", "@", "$" or "%")
  OutputFlavour dialect = OutputFlavour::kExeXml;  // from the program's name
  // FORMAT=: another monitor's dialect instead of the document, from the
  // command line alone; its ranges and file are taken by CheckParameters.
  ReportSettings report;
  KeyTable keyTable = {};
};

// How a run ends before its normal end: thrown by the step that meets a
// fatal condition and caught once, in RunProgram, which writes `output`
// (an error document or the failure report) and returns `status` to main.
// Where a monitor's dialect was chosen, `error` goes out in it instead.
struct RunEnd {
  int status;
  std::string output;
  std::optional<RunError> error;
};

}  // namespace tolvaran

#endif  // TOLVARAN_DRIVER_INVOCATION_H_
