// The error exit: a fatal message becomes the error document, and the run
// ends with status 2. The document is written by RunProgram, the one place
// where a run ends.
#ifndef TOLVARAN_DRIVER_ERROR_EXIT_H_
#define TOLVARAN_DRIVER_ERROR_EXIT_H_

#include <string_view>

#include "driver/invocation.h"

namespace tolvaran {

[[noreturn]] void FatalError(std::string_view message);

}  // namespace tolvaran

#endif  // TOLVARAN_DRIVER_ERROR_EXIT_H_
