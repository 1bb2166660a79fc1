#include <winsock2.h>
// winsock2.h before windows.h (through win32_io.h).
#include <functional>
#include <string>

#include "exporter/exporter_process.h"
#include "platform/win32_io.h"

namespace tolvaran {

namespace {

std::function<void()>* stopFunction = nullptr;

// Runs on a thread the system starts for the event.
BOOL WINAPI OnConsoleEvent(DWORD) {
  static bool called = false;
  if (stopFunction && !called) {
    called = true;
    (*stopFunction)();
  }
  return TRUE;
}

}  // namespace

std::string AbsolutePath(const std::string& path) {
  char buffer[MAX_PATH];
  DWORD n = GetFullPathNameA(path.c_str(), MAX_PATH, buffer, nullptr);
  return n > 0 && n < MAX_PATH ? std::string(buffer, n) : path;
}

bool EnterDirectory(const std::string& dir, std::string* error) {
  if (SetCurrentDirectoryA(dir.c_str())) return true;
  *error =
      "cannot use the profile directory " + dir + " (error " + std::to_string(GetLastError()) + ")";
  return false;
}

void OnStopRequest(std::function<void()> stop) {
  stopFunction = new std::function<void()>(std::move(stop));
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

void ListenSocketOptions(std::uintptr_t socket) {
  SOCKET s = static_cast<SOCKET>(socket);
  BOOL yes = TRUE;
  setsockopt(s, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&yes), sizeof yes);
  setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&yes), sizeof yes);
}

std::string ProgramBeside(const std::string& exporter) {
  std::size_t slash = exporter.find_last_of("\\/");
  return (slash == std::string::npos ? std::string() : exporter.substr(0, slash + 1)) +
         "tolvaran.exe";
}

}  // namespace tolvaran
