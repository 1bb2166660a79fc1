#include "driver/error_exit.h"

#include "driver/monitor_report.h"
#include "output/result_document.h"

namespace tolvaran {

void FatalError(RunState& rs, std::string_view message) {
  if (WantsReport(rs)) EndWithErrorReport(rs, message);
  BuildErrorDocument(rs, message);
  throw RunEnd{2, true};
}

}  // namespace tolvaran
