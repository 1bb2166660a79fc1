#include "driver/check_outcome.h"

namespace tolvaran {

std::string OutcomeText(const QueryResult& result, RunKind kind) {
  switch (result.outcome) {
    case kOutcomeOk:
      return "";
    case kOutcomeFailure:
      return "Error 1014: RFC-Failure raised !";
    case kOutcomeException:
      return "Error 1012: Exception.: " + result.exceptionText;
    case kOutcomeSysException:
      // In a listing the system's state already shows the failure; a text
      // here would only be left in front of the listing's summary.
      return kind == RunKind::kListing ? "" : "Error 1013: Sys-Exception raised !";
    default:
      return "Error 1015: Other Failure raised !";
  }
}

}  // namespace tolvaran
