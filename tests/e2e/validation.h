// The parsers an end-to-end case can have check the program's output with
// ("=== validate KIND [FILE]"): one script per format in validators/, run
// by the Python that has Debian's parser packages (python3-jsonschema,
// python3-prometheus-client), so that a dialect's output is checked by a
// parser of its format and not by string compares alone.
#ifndef TOLVARAN_TESTS_E2E_VALIDATION_H_
#define TOLVARAN_TESTS_E2E_VALIDATION_H_

#include <chrono>
#include <string>

namespace tolvaran_e2e {

// "script-v2" (the Script v2 JSON against schema/prtg-script-v2.schema.json),
// "plugin" (the monitoring-plugin line, its state against the exit status),
// "openmetrics" (the exposition through the Prometheus client's parser).
bool IsValidatorKind(const std::string& kind);
std::string ValidatorKindList();

struct ValidatorSetup {
  std::string python;          // the interpreter
  std::string validators_dir;  // absolute; holds <kind>.py
  std::chrono::milliseconds timeout{std::chrono::seconds(60)};
};

// Runs the validator for `kind` over the file `path`, the output of a run
// that ended with `exit_status`. Empty when the validator accepts it;
// otherwise what it found, or why it could not be run.
std::string Validate(const ValidatorSetup& setup, const std::string& kind, const std::string& path,
                     int exit_status);

}  // namespace tolvaran_e2e

#endif  // TOLVARAN_TESTS_E2E_VALIDATION_H_
