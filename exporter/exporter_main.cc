// tolvaran-exporter: the Prometheus exporter, a long-running HTTP server
// that runs a check per scrape.
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "exporter/exporter_options.h"
#include "exporter/exporter_process.h"
#include "exporter/http_server.h"
#include "exporter/worker_probe_runner.h"
#include "platform/host.h"
#include "platform/process_setup.h"
#include "tolvaran_version.h"

namespace {

std::mutex logMutex;

void Log(const std::string& line) {
  std::lock_guard<std::mutex> lock(logMutex);
  std::fprintf(stderr, "tolvaran-exporter: %s\n", line.c_str());
  std::fflush(stderr);
}

}  // namespace

int main(int argc, char** argv) {
  using namespace tolvaran;
  PrepareProcess();
  std::vector<std::string> args(argv, argv + argc);
  ParsedOptions parsed = ParseExporterOptions(args);
  if (!parsed.ok) {
    Log(parsed.error);
    return 2;
  }
  ExporterOptions& options = parsed.options;
  const std::string version =
      std::string("tolvaran-exporter ") + TOLVARAN_VERSION + " / " + TOLVARAN_RELEASE_DATE;
  if (options.help) {
    std::fputs(ExporterHelp().c_str(), stdout);
    return 0;
  }
  if (options.version) {
    std::printf("%s\n", version.c_str());
    return 0;
  }
  auto host = MakeRealHost();
  std::string program = options.program.empty() ? ProgramBeside(host->ExecutablePath())
                                                : AbsolutePath(options.program);
  if (!host->IsRegularFile(program)) {
    Log("the check program " + program + " is not there (--program)");
    return 2;
  }
  std::string error;
  if (!EnterDirectory(options.profileDir, &error)) {
    Log(error);
    return 2;
  }
  WorkerProbeRunner runner(program);
  ProbeService service(runner, options.service, Log);
  ExporterServer server(options, service, version);
  if (!server.Bind(&error)) {
    Log(error);
    return 2;
  }
  OnStopRequest([&server] {
    Log("stopping");
    server.Stop();
  });
  Log(version + " listening on " + options.host + ":" + std::to_string(options.port) +
      ", profiles in " + options.profileDir);
  server.Serve();
  return 0;
}
