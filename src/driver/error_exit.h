// The error exit: a fatal message becomes the error document, and the run
// ends with status 2. The document is written by RunProgram, the one place
// where a run ends. With FORMAT= the message goes out in that dialect
// instead, with its status (driver/monitor_report.h).
#ifndef TOLVARAN_DRIVER_ERROR_EXIT_H_
#define TOLVARAN_DRIVER_ERROR_EXIT_H_

#include <string_view>

#include "driver/invocation.h"

namespace tolvaran {

[[noreturn]] void FatalError(std::string_view message);

}  // namespace tolvaran

#endif  // TOLVARAN_DRIVER_ERROR_EXIT_H_
