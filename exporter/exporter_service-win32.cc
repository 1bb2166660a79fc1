#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

#include "exporter/exporter_service.h"
#include "platform/win32_io.h"
#include "platform/worker_process.h"

namespace tolvaran {

namespace {

// The running service's state, shared with the service manager's threads.
struct Running {
  std::mutex mutex;
  SERVICE_STATUS_HANDLE handle = nullptr;
  std::function<void()> stop;
  bool stopRequested = false;
  const ServeFunction* serve = nullptr;
  std::vector<std::string> args;
};
Running running;

void Report(DWORD state, DWORD exitCode = 0) {
  SERVICE_STATUS status{};
  status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  status.dwCurrentState = state;
  status.dwControlsAccepted =
      state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN : 0;
  status.dwWin32ExitCode = exitCode == 0 ? NO_ERROR : ERROR_SERVICE_SPECIFIC_ERROR;
  status.dwServiceSpecificExitCode = exitCode;
  status.dwWaitHint = state == SERVICE_RUNNING || state == SERVICE_STOPPED ? 0 : 10000;
  SetServiceStatus(running.handle, &status);
}

DWORD WINAPI OnControl(DWORD control, DWORD, LPVOID, LPVOID) {
  if (control == SERVICE_CONTROL_INTERROGATE) return NO_ERROR;
  if (control != SERVICE_CONTROL_STOP && control != SERVICE_CONTROL_SHUTDOWN) {
    return ERROR_CALL_NOT_IMPLEMENTED;
  }
  std::function<void()> stop;
  {
    std::lock_guard<std::mutex> lock(running.mutex);
    if (running.stopRequested) return NO_ERROR;
    running.stopRequested = true;
    stop = running.stop;
  }
  Report(SERVICE_STOP_PENDING);
  if (stop) stop();
  return NO_ERROR;
}

void WINAPI ServiceMain(DWORD, LPSTR*) {
  running.handle = RegisterServiceCtrlHandlerExA(kServiceName, OnControl, nullptr);
  if (!running.handle) return;
  Report(SERVICE_START_PENDING);
  int status = (*running.serve)(running.args, [](std::function<void()> stop) {
    bool already;
    {
      std::lock_guard<std::mutex> lock(running.mutex);
      running.stop = stop;
      already = running.stopRequested;
    }
    Report(SERVICE_RUNNING);
    if (already) stop();
  });
  Report(SERVICE_STOPPED, static_cast<DWORD>(status));
}

std::string ExecutableFile() {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  return n > 0 && n < MAX_PATH ? std::string(path, n) : std::string();
}

int Fail(const std::string& what) {
  std::fprintf(stderr, "tolvaran-exporter: %s (error %lu)\n", what.c_str(),
               static_cast<unsigned long>(GetLastError()));
  return 2;
}

int Install(const std::vector<std::string>& flags) {
  const std::string exe = ExecutableFile();
  std::string command = QuoteWindowsArgument(exe) + " service run";
  for (const std::string& flag : ServiceFlags(flags, exe)) {
    command += " " + QuoteWindowsArgument(flag);
  }
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CREATE_SERVICE);
  if (!manager) return Fail("cannot open the service manager (run as an administrator)");
  SC_HANDLE service = CreateServiceA(manager, kServiceName, "Tolvaran SAP exporter for Prometheus",
                                     SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                                     SERVICE_AUTO_START, SERVICE_ERROR_NORMAL, command.c_str(),
                                     nullptr, nullptr, nullptr, nullptr, nullptr);
  if (!service) {
    int status = Fail("cannot create the service " + std::string(kServiceName));
    CloseServiceHandle(manager);
    return status;
  }
  char text[] = "Runs a check of an SAP system for each Prometheus scrape of /probe.";
  SERVICE_DESCRIPTIONA description{text};
  ChangeServiceConfig2A(service, SERVICE_CONFIG_DESCRIPTION, &description);
  std::printf("installed the service %s: %s\nstart it with: sc start %s\n", kServiceName,
              command.c_str(), kServiceName);
  CloseServiceHandle(service);
  CloseServiceHandle(manager);
  return 0;
}

int Uninstall() {
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
  if (!manager) return Fail("cannot open the service manager (run as an administrator)");
  SC_HANDLE service =
      OpenServiceA(manager, kServiceName, SERVICE_STOP | SERVICE_QUERY_STATUS | DELETE);
  if (!service) {
    int status = Fail("no service " + std::string(kServiceName));
    CloseServiceHandle(manager);
    return status;
  }
  SERVICE_STATUS status{};
  if (ControlService(service, SERVICE_CONTROL_STOP, &status)) {
    for (int i = 0; i < 150 && QueryServiceStatus(service, &status) &&
                    status.dwCurrentState != SERVICE_STOPPED;
         ++i) {
      Sleep(100);
    }
  }
  bool deleted = DeleteService(service);
  int result = deleted ? 0 : Fail("cannot delete the service " + std::string(kServiceName));
  if (deleted) std::printf("removed the service %s\n", kServiceName);
  CloseServiceHandle(service);
  CloseServiceHandle(manager);
  return result;
}

}  // namespace

int RunServiceCommand(const std::vector<std::string>& args, const ServeFunction& serve) {
  const std::string verb = args.size() > 2 ? args[2] : "";
  std::vector<std::string> flags(args.begin() + std::min<std::size_t>(3, args.size()), args.end());
  if (verb == "install") return Install(flags);
  if (verb == "uninstall" && flags.empty()) return Uninstall();
  if (verb == "run") {
    running.serve = &serve;
    running.args = {args[0]};
    running.args.insert(running.args.end(), flags.begin(), flags.end());
    char name[sizeof kServiceName];
    std::memcpy(name, kServiceName, sizeof kServiceName);
    SERVICE_TABLE_ENTRYA table[] = {{name, ServiceMain}, {nullptr, nullptr}};
    if (!StartServiceCtrlDispatcherA(table)) {
      return Fail("\"service run\" is started by the service manager, not by hand");
    }
    return 0;
  }
  std::fputs("tolvaran-exporter: service install [FLAG...] | service uninstall\n", stderr);
  return 2;
}

}  // namespace tolvaran
