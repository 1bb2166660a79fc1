// The "RFC error" report: what the run prints instead of a document when
// the RFC library fails an operation the check cannot go on without.
#ifndef TOLVARAN_DRIVER_FAILURE_REPORT_H_
#define TOLVARAN_DRIVER_FAILURE_REPORT_H_

#include <string>
#include <string_view>

#include "rfc/backend.h"

namespace tolvaran {

// The whole report, its closing lines included.
std::string FailureReportText(const FailureReport& report);

// "label : text" and a line feed, the label left-aligned in `width`
// blanks (never cut) after `indent` blanks.
std::string LabelledLine(std::string_view label, int indent, int width, std::string_view text);

}  // namespace tolvaran

#endif  // TOLVARAN_DRIVER_FAILURE_REPORT_H_
