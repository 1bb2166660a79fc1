#include "driver/failure_report.h"

namespace tolvaran {

std::string LabelledLine(std::string_view label, int indent, int width, std::string_view text) {
  std::string line;
  if (indent > 0) line.append(static_cast<std::size_t>(indent), ' ');
  line += label;
  if (width > 0 && label.size() < static_cast<std::size_t>(width)) {
    line.append(static_cast<std::size_t>(width) - label.size(), ' ');
  }
  line += " : ";
  line += text;
  line += '\n';
  return line;
}

std::string FailureReportText(const FailureReport& report) {
  std::string text = "RFC error\n";
  text += LabelledLine("operation/code", 0, 15, report.operation);
  text += LabelledLine("key", 0, 15, report.key);
  text += LabelledLine("status", 0, 15, report.status);
  text += LabelledLine("message", 0, 15, report.message);
  text += LabelledLine("internal status", 0, 15, report.internalStatus);
  text += "\n";
  text += "* Programm aborted...\n";
  // The abort log and the end-of-output file are never configured in a run:
  // no abort log line, and creating the unnamed end-of-output file fails.
  text += "* Error at EoXput-File...\n";
  return text;
}

}  // namespace tolvaran
