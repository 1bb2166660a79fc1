#include "driver/error_exit.h"

#include "driver/monitor_report.h"
#include "output/result_document.h"

namespace tolvaran {

void FatalError(std::string_view message) {
  throw RunEnd{2, ErrorDocumentText(message), ErrorOfMessage(message)};
}

}  // namespace tolvaran
