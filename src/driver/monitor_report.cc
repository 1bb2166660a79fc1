#include "driver/monitor_report.h"

#include <utility>

#include "driver/error_exit.h"
#include "driver/run_deadline.h"
#include "output/openmetrics.h"
#include "output/plugin_output.h"
#include "output/prometheus_text.h"
#include "output/result_document.h"
#include "output/script_v2.h"
#include "text/ascii_text.h"

namespace tolvaran {

namespace {

ErrorClass ClassOfNumber(int number) {
  if (number == 1016) return ErrorClass::kDeadline;
  // The connection, the queries and the library's failure report: the
  // system was asked and did not answer as it should.
  if (number >= 1011 && number <= 1015) return ErrorClass::kUnreachable;
  return ErrorClass::kConfiguration;
}

RenderedOutput Render(const ReportSettings& settings, const CheckReport& report) {
  switch (settings.dialect) {
    case ReportDialect::kScriptV2:
      return RenderScriptV2(report);
    case ReportDialect::kPlugin:
      return RenderPlugin(report, settings.thresholds);
    case ReportDialect::kOpenMetrics:
    case ReportDialect::kNone:
      break;
  }
  return RenderOpenMetrics(report);
}

std::optional<ThresholdRange> TakeRange(const char* key, bool has, const std::string& text) {
  if (!has) return std::nullopt;
  std::string error;
  std::optional<ThresholdRange> range = ParseThresholdRange(key, text, &error);
  if (!range) FatalError("Error 1022: " + error);
  return range;
}

}  // namespace

ReportDialect ChooseReportDialect(const Parameters& params) {
  if (!params.hasFormat) return ReportDialect::kNone;
  const std::string format = AsciiUpper(params.format);
  if (format == "SCRIPTV2") return ReportDialect::kScriptV2;
  if (format == "PLUGIN") return ReportDialect::kPlugin;
  if (format == "OPENMETRICS") return ReportDialect::kOpenMetrics;
  // The dialect is not known yet: the error goes out as the document.
  throw RunEnd{2, ErrorDocumentText("Error 1020: Invalid FORMAT= value !"), std::nullopt};
}

ReportSettings TakeReportParameters(ReportDialect dialect, const Parameters& params) {
  ReportSettings settings;
  settings.dialect = dialect;
  if (dialect == ReportDialect::kPlugin) {
    // "WARN=Short_Dumps=10" names the value the range applies to: a range
    // never holds "=".
    auto split = [](const std::string& value, std::string* label) {
      const std::size_t at = value.find('=');
      if (at == std::string::npos) return value;
      *label = value.substr(0, at);
      return value.substr(at + 1);
    };
    const std::string warn = split(params.warn, &settings.thresholds.warnLabel);
    const std::string crit = split(params.crit, &settings.thresholds.critLabel);
    settings.thresholds.warn = TakeRange("WARN", params.hasWarn, warn);
    settings.thresholds.crit = TakeRange("CRIT", params.hasCrit, crit);
  }
  if (dialect == ReportDialect::kOpenMetrics && params.hasOut) {
    // A cut path would name another file, and an empty one none.
    if (params.out.empty() || params.outCut) FatalError("Error 1023: Invalid OUT= value !");
    settings.outFile = params.out;
  }
  return settings;
}

RunError ErrorOfMessage(std::string_view message) {
  RunError error;
  error.text = std::string(message);
  constexpr std::string_view kPrefix = "Error ";
  if (message.substr(0, kPrefix.size()) == kPrefix && message.size() > kPrefix.size() + 4 &&
      message[kPrefix.size() + 4] == ':') {
    int number = 0;
    for (char c : message.substr(kPrefix.size(), 4)) {
      number = c >= '0' && c <= '9' && number >= 0 ? number * 10 + (c - '0') : -1;
    }
    error.number = number < 0 ? 0 : number;
  }
  error.errorClass = ClassOfNumber(error.number);
  return error;
}

RunError ErrorOfFailureReport(const FailureReport& report) {
  std::string text = "Error " + std::to_string(kFailureReportNumber) + ": RFC error";
  const char* separator = " - ";
  for (const std::string* part :
       {&report.operation, &report.key, &report.status, &report.message, &report.internalStatus}) {
    // The library often gives the same text as operation and message.
    if (part->empty() || (part == &report.message && *part == report.operation)) continue;
    text += separator + *part;
    separator = "; ";
  }
  RunError error;
  error.number = kFailureReportNumber;
  error.text = text;
  error.errorClass = ErrorClass::kUnreachable;
  return error;
}

std::string ReportSubject(const std::vector<std::string>& args, std::string_view listingFile,
                          std::string_view destination) {
  if (!listingFile.empty()) return std::string(listingFile);
  if (!destination.empty()) return std::string(destination);
  return args.size() > 1 ? args[1] : std::string();
}

PreparedReport PrepareReport(const ReportSettings& settings, const CheckReport& report) {
  RenderedOutput rendered = Render(settings, report);
  PreparedReport prepared;
  prepared.bytes = std::move(rendered.bytes);
  prepared.status = rendered.exitStatus;
  prepared.outFile = settings.outFile;
  if (!prepared.outFile.empty()) {
    // The file is for the node exporter's textfile collector, which reads
    // the text format 0.0.4 and refuses a whole file with an OpenMetrics
    // info family: a failed check's tolvaran_up 0 would never reach the
    // scraper. The error written to standard output stays OpenMetrics.
    prepared.bytes = ToPrometheusText(prepared.bytes);
    RunError error =
        ErrorOfMessage("Error 1023: OUT= file " + prepared.outFile + " could not be written !");
    prepared.unwritten = Render(settings, CheckReport::Failure(report.system, error)).bytes;
  }
  return prepared;
}

int DeliverReport(Host& host, const PreparedReport& prepared) {
  if (prepared.outFile.empty()) {
    host.WriteOut(prepared.bytes);
    return prepared.status;
  }
  if (host.PublishFile(prepared.outFile, prepared.bytes)) return prepared.status;
  host.WriteOut(prepared.unwritten);
  return 2;
}

int FinishWithReport(Host& host, const ReportSettings& settings, const CheckReport& report) {
  PreparedReport prepared = PrepareReport(settings, report);
  if (!ClaimOutput()) return 2;
  return DeliverReport(host, prepared);
}

}  // namespace tolvaran
