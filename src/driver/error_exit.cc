#include "driver/error_exit.h"

#include "output/result_document.h"

namespace tolvaran {

void FatalError(RunState& rs, std::string_view message) {
  BuildErrorDocument(rs, message);
  throw RunEnd{2, true};
}

}  // namespace tolvaran
