// The exposition a probe answers: the check's own (what `tolvaran ...
// FORMAT=OPENMETRICS` writes), read for what it says, with the probe's
// metrics added, in the format the scraper accepts.
#ifndef TOLVARAN_EXPORTER_EXPOSITION_H_
#define TOLVARAN_EXPORTER_EXPOSITION_H_

#include <string>
#include <string_view>

#include "exporter/probe_query.h"
#include "output/prometheus_text.h"

namespace tolvaran {

// What a check's OpenMetrics exposition says.
struct CheckSummary {
  bool wellFormed = false;  // ends with "# EOF", every tolvaran_up is 0 or 1
  bool up = false;          // at least one tolvaran_up, and all of them 1
  int errorCode = 0;        // the first tolvaran_error_info's code, 0 when none
};

CheckSummary SummarizeCheck(std::string_view exposition);

// The error number of a refused logon (or a connection that could not be
// made: the exposition does not tell them apart), "RFC-Open ... failed".
constexpr int kOpenFailedCode = 1011;
// The program's numbers that the exporter answers with for its own ends of
// a probe: the deadline passed (as TIMEOUT= reports it), and a worker that
// ended without an answer (as a listing reports such a worker).
constexpr int kDeadlineCode = 1016;
constexpr int kNoAnswerCode = 1015;

// The exposition of a check that the exporter ended or that gave no
// answer: the program's own error exposition for `target`, so that the
// scraper sees the same families as from a check that failed by itself.
std::string FailedCheckExposition(const std::string& target, int code, const std::string& text);

// What the exporter adds about the probe itself, before "# EOF":
// tolvaran_probe_success (1 when every system of the check is up),
// tolvaran_probe_duration_seconds, and, when it failed,
// tolvaran_probe_error_info{code,text} with the error's number and the
// exporter's words for it.
struct ProbeFacts {
  bool success = false;
  double seconds = 0;
  int code = 0;
  std::string text;
};
std::string WithProbeFacts(std::string_view exposition, const ProbeFacts& facts);

// `openMetrics` in `format`.
std::string InFormat(std::string_view openMetrics, ExpositionFormat format);

// The exporter's words for a check's error number, for the info metric
// and the log line.
std::string CheckErrorText(int code);

}  // namespace tolvaran

#endif  // TOLVARAN_EXPORTER_EXPOSITION_H_
