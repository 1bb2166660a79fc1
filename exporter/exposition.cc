#include "exporter/exposition.h"

#include <cstdio>
#include <vector>

#include "output/check_report.h"
#include "output/openmetrics.h"
#include "output/prometheus_text.h"

namespace tolvaran {

namespace {

// The value of label `name` in a sample line's label set, empty when none.
std::string LabelOf(std::string_view line, std::string_view name) {
  std::string key = std::string(name) + "=\"";
  std::size_t at = line.find(key);
  if (at == std::string_view::npos) return "";
  std::size_t from = at + key.size();
  std::size_t to = line.find('"', from);
  return to == std::string_view::npos ? "" : std::string(line.substr(from, to - from));
}

// The sample's value: what follows the label set (or the name).
std::string_view ValueOf(std::string_view line) {
  std::size_t close = line.rfind('}');
  std::size_t blank = line.find(' ', close == std::string_view::npos ? 0 : close);
  return blank == std::string_view::npos ? std::string_view() : line.substr(blank + 1);
}

std::string Seconds(double seconds) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.3f", seconds);
  return buffer;
}

}  // namespace

CheckSummary SummarizeCheck(std::string_view exposition) {
  CheckSummary summary;
  std::vector<std::string_view> lines = Lines(exposition);
  bool eof = !lines.empty() && lines.back() == "# EOF" && exposition.back() == '\n';
  bool anyUp = false, allUp = true, valid = true;
  for (std::string_view line : lines) {
    if (StartsWith(line, "tolvaran_up{") || StartsWith(line, "tolvaran_up ")) {
      std::string_view value = ValueOf(line);
      valid = valid && (value == "0" || value == "1");
      anyUp = true;
      allUp = allUp && value == "1";
    } else if (StartsWith(line, "tolvaran_error_info{") && summary.errorCode == 0) {
      summary.errorCode = std::atoi(LabelOf(line, "code").c_str());
    }
  }
  summary.wellFormed = eof && valid && anyUp;
  summary.up = summary.wellFormed && allUp;
  return summary;
}

std::string FailedCheckExposition(const std::string& target, int code, const std::string& text) {
  RunError error;
  error.number = code;
  error.text = text;
  error.errorClass = code == kDeadlineCode ? ErrorClass::kDeadline : ErrorClass::kUnreachable;
  return RenderOpenMetrics(CheckReport::Failure(target, error)).bytes;
}

std::string WithProbeFacts(std::string_view exposition, const ProbeFacts& facts) {
  std::string out(exposition);
  const std::string_view eof = "# EOF\n";
  if (out.size() >= eof.size() && out.compare(out.size() - eof.size(), eof.size(), eof) == 0) {
    out.resize(out.size() - eof.size());
  }
  out +=
      "# TYPE tolvaran_probe_success gauge\n"
      "# HELP tolvaran_probe_success 1 when every system of the probe was counted, 0 when not.\n"
      "tolvaran_probe_success ";
  out += facts.success ? "1\n" : "0\n";
  out +=
      "# TYPE tolvaran_probe_duration_seconds gauge\n"
      "# HELP tolvaran_probe_duration_seconds How long the probe took.\n"
      "tolvaran_probe_duration_seconds " +
      Seconds(facts.seconds) + "\n";
  if (!facts.success) {
    out +=
        "# TYPE tolvaran_probe_error info\n"
        "# HELP tolvaran_probe_error Why the probe failed: the error's number and text.\n"
        "tolvaran_probe_error_info{code=\"" +
        std::to_string(facts.code) + "\",text=" + LabelValue(facts.text) + "} 1\n";
  }
  out += eof;
  return out;
}

std::string InFormat(std::string_view openMetrics, ExpositionFormat format) {
  return format == ExpositionFormat::kOpenMetrics ? std::string(openMetrics)
                                                  : ToPrometheusText(openMetrics);
}

std::string CheckErrorText(int code) {
  switch (code) {
    case 1002:
      return "the profile is not in the profile directory";
    case 1003:
    case 1004:
    case 1005:
    case 1006:
    case 1007:
    case 1008:
      return "the profile is not usable (tolvaran-profile check names why)";
    case 1010:
      return "the RFC library could not be loaded";
    case kOpenFailedCode:
      return "RFC-Open failed: the logon was refused or the connection could not be made";
    case 1012:
    case 1013:
    case 1014:
    case 1015:
      return "the user list could not be read";
    case kDeadlineCode:
      return "the check's deadline passed";
    case 1019:
      return "the server list is not available";
    default:
      return "the check ended with error " + std::to_string(code);
  }
}

}  // namespace tolvaran
