#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

#include "exporter/exporter_process.h"

namespace tolvaran {

namespace {

int stopPipe[2] = {-1, -1};

// Async-signal-safe: one byte into the pipe that the stop thread reads.
void OnSignal(int) {
  int saved = errno;
  char byte = 1;
  ssize_t ignored = write(stopPipe[1], &byte, 1);
  static_cast<void>(ignored);
  errno = saved;
}

}  // namespace

std::string AbsolutePath(const std::string& path) {
  if (!path.empty() && path[0] == '/') return path;
  char buffer[4096];
  if (!getcwd(buffer, sizeof buffer)) return path;
  return std::string(buffer) + "/" + path;
}

bool EnterDirectory(const std::string& dir, std::string* error) {
  if (chdir(dir.c_str()) == 0) return true;
  *error = "cannot use the profile directory " + dir + ": " + std::strerror(errno);
  return false;
}

void OnStopRequest(std::function<void()> stop) {
  if (pipe2(stopPipe, O_CLOEXEC) != 0) return;
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
  std::thread([stop = std::move(stop)] {
    char byte;
    while (read(stopPipe[0], &byte, 1) < 0 && errno == EINTR) {
    }
    stop();
  }).detach();
}

void ListenSocketOptions(std::uintptr_t socket) {
  int fd = static_cast<int>(socket);
  int yes = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
}

std::string ProgramBeside(const std::string& exporter) {
  std::size_t slash = exporter.rfind('/');
  return (slash == std::string::npos ? std::string() : exporter.substr(0, slash + 1)) + "tolvaran";
}

}  // namespace tolvaran
