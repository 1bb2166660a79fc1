// tolvaran-exporter as a Windows service: `tolvaran-exporter service
// install [FLAG...]` registers it (started automatically, as LocalSystem
// unless changed in the service manager), `service uninstall` stops and
// removes it, and the service manager starts it as `service run FLAG...`.
// On other platforms the command says to use the systemd unit.
#ifndef TOLVARAN_EXPORTER_EXPORTER_SERVICE_H_
#define TOLVARAN_EXPORTER_EXPORTER_SERVICE_H_

#include <functional>
#include <string>
#include <vector>

namespace tolvaran {

constexpr char kServiceName[] = "tolvaran-exporter";

// Hands the server's stop function to whoever will call it (a signal, the
// service manager).
using StopRegistrar = std::function<void(std::function<void()> stop)>;
// Runs the exporter with `args` (argument 0 the program) until stopped;
// its exit status.
using ServeFunction =
    std::function<int(const std::vector<std::string>& args, const StopRegistrar& onStop)>;

// `args` is the exporter's command line with args[1] == "service".
int RunServiceCommand(const std::vector<std::string>& args, const ServeFunction& serve);

// The flags a service is installed with: `flags` with --profile-dir and
// --log-file added, beside the executable `exporter`, where they are not
// given (a service starts in the system folder and has no console). Pure.
std::vector<std::string> ServiceFlags(const std::vector<std::string>& flags,
                                      const std::string& exporter);

}  // namespace tolvaran

#endif  // TOLVARAN_EXPORTER_EXPORTER_SERVICE_H_
