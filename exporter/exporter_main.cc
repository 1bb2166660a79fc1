// tolvaran-exporter: the Prometheus exporter, a long-running HTTP server
// that runs a check per scrape; on Windows also a service.
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "exporter/exporter_options.h"
#include "exporter/exporter_process.h"
#include "exporter/exporter_service.h"
#include "exporter/http_server.h"
#include "exporter/web_config.h"
#include "exporter/worker_probe_runner.h"
#include "platform/host.h"
#include "platform/process_setup.h"
#include "tolvaran_version.h"

namespace tolvaran {

namespace {

std::mutex logMutex;
std::FILE* logStream = stderr;

void Log(const std::string& line) {
  std::lock_guard<std::mutex> lock(logMutex);
  std::fprintf(logStream, "tolvaran-exporter: %s\n", line.c_str());
  std::fflush(logStream);
}

int Serve(const std::vector<std::string>& args, const StopRegistrar& onStop) {
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
  if (!options.logFile.empty()) {
    std::FILE* file = std::fopen(options.logFile.c_str(), "a");
    if (!file) {
      Log("cannot append to the log file " + options.logFile);
      return 2;
    }
    logStream = file;
  }
  WebConfig web;
  if (!options.webConfigFile.empty()) {
    std::string text, error;
    std::FILE* file = std::fopen(options.webConfigFile.c_str(), "rb");
    if (file) {
      char buffer[4096];
      std::size_t n;
      while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0 && text.size() < (1u << 20)) {
        text.append(buffer, n);
      }
      std::fclose(file);
    }
    if (!file || !ParseWebConfig(text, &web, &error)) {
      Log("--web.config.file " + options.webConfigFile + ": " +
          (file ? error : std::string("cannot be read")));
      return 2;
    }
    if (!web.users.empty() && !BcryptAvailable()) {
      Log("--web.config.file: basic_auth_users need bcrypt, which this build lacks");
      return 2;
    }
    // Relative to where the exporter was started, not to the profiles.
    if (web.tls()) {
      web.certFile = AbsolutePath(web.certFile);
      web.keyFile = AbsolutePath(web.keyFile);
    }
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
  ExporterServer server(options, service, version, web);
  if (!server.Bind(&error)) {
    Log(error);
    return 2;
  }
  onStop([&server] {
    Log("stopping");
    server.Stop();
  });
  Log(version + " listening on " + options.host + ":" + std::to_string(options.port) +
      ", profiles in " + options.profileDir);
  server.Serve();
  Log("stopped");
  return 0;
}

}  // namespace

}  // namespace tolvaran

int main(int argc, char** argv) {
  tolvaran::PrepareProcess();
  std::vector<std::string> args(argv, argv + argc);
  if (args.size() > 1 && args[1] == "service") {
    return tolvaran::RunServiceCommand(args, tolvaran::Serve);
  }
  return tolvaran::Serve(
      args, [](std::function<void()> stop) { tolvaran::OnStopRequest(std::move(stop)); });
}
