#include "validation.h"

#include <vector>

#include "process.h"

namespace tolvaran_e2e {

namespace {

const char* const kKinds[] = {"script-v2", "plugin", "openmetrics", "prometheus-text"};

}  // namespace

bool IsValidatorKind(const std::string& kind) {
  for (const char* known : kKinds) {
    if (kind == known) return true;
  }
  return false;
}

std::string ValidatorKindList() {
  std::string list;
  for (const char* known : kKinds) list += (list.empty() ? "" : ", ") + std::string(known);
  return list;
}

std::string Validate(const ValidatorSetup& setup, const std::string& kind, const std::string& path,
                     int exit_status) {
  if (setup.python.empty()) return "no Python to run the validators with (TOLVARAN_PYTHON)";
  std::vector<std::string> argv = {setup.python, setup.validators_dir + "/" + kind + ".py"};
  if (kind == "plugin") argv.push_back("--status=" + std::to_string(exit_status));
  argv.push_back(path);
  ProcessResult result = RunProcess(argv, setup.validators_dir, setup.timeout);
  if (!result.started) return "the validator could not be started: " + result.start_error;
  if (result.timed_out) return "the validator ran too long";
  if (result.exited && result.exit_status == 0) return "";
  std::string report = result.err.empty() ? result.out : result.err;
  if (report.empty()) report = "it rejected the output without saying why\n";
  return report;
}

}  // namespace tolvaran_e2e
