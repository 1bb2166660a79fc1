// The worker the process-layer tests start: what it does is told by the
// first line of its standard input.
//
//   echo            copies the rest of its input to its output as it comes
//   exit N          reads its input to the end, ends with status N
//   sleep MS        sleeps, ends with status 0
//   write N         writes N bytes without reading the rest of its input
//   args            writes its arguments, each followed by a NUL byte
//   hang            reads its input to the end and sleeps for an hour
//   close-exit MS   closes its output, sleeps, ends with status 7
//   abort           std::abort()
//   crash           dies by SIGKILL (Windows: as by an access violation)
//   no-cleanup N    leaves text in stdio's buffer and an atexit handler,
//                   then ExitProcessWithoutCleanup(N)
//   spawn-hang      starts a hanging worker of its own, writes its process
//                   id, then hangs; with "no-cleanup" after it, it ends
//                   itself with ExitProcessWithoutCleanup(5), with "crash"
//                   as "crash" does
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "platform/host.h"
#include "platform/worker_process.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace {

void CloseOutput() {
  std::fflush(stdout);
#ifdef _WIN32
  _close(1);
  CloseHandle(GetStdHandle(STD_OUTPUT_HANDLE));
#else
  close(1);
#endif
}

[[noreturn]] void Crash() {
#ifdef _WIN32
  TerminateProcess(GetCurrentProcess(), 0xC0000005u);
#else
  raise(SIGKILL);
#endif
  std::abort();
}

[[noreturn]] void Abort() {
#ifndef _WIN32
  struct rlimit none = {0, 0};
  setrlimit(RLIMIT_CORE, &none);  // no core file in the test's directory
#endif
  std::abort();
}

std::string ReadAll() {
  std::string all;
  char buf[65536];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, stdin)) > 0) all.append(buf, n);
  return all;
}

void SleepMs(long ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
#endif
  std::string line;
  for (int c; (c = std::fgetc(stdin)) != EOF && c != '\n';) line += static_cast<char>(c);
  std::string command = line.substr(0, line.find(' '));
  long number = line.find(' ') == std::string::npos ? 0 : std::atol(line.c_str() + line.find(' '));

  if (command == "echo" || command.empty()) {
    char buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, stdin)) > 0) std::fwrite(buf, 1, n, stdout);
    return 0;
  }
  if (command == "exit") {
    ReadAll();
    return static_cast<int>(number);
  }
  if (command == "sleep") {
    SleepMs(number);
    return 0;
  }
  if (command == "write") {
    std::string out(static_cast<std::size_t>(number), 'w');
    std::fwrite(out.data(), 1, out.size(), stdout);
    return 0;
  }
  if (command == "args") {
    ReadAll();
    for (int i = 1; i < argc; ++i) std::fwrite(argv[i], 1, std::strlen(argv[i]) + 1, stdout);
    return 0;
  }
  if (command == "hang") {
    ReadAll();
    SleepMs(3600 * 1000);
    return 0;
  }
  if (command == "close-exit") {
    CloseOutput();
    SleepMs(number);
    return 7;
  }
  if (command == "abort") Abort();
  if (command == "crash") Crash();
  if (command == "no-cleanup") {
    std::atexit([] { std::fputs("atexit ran", stdout); });
    std::fputs("buffered", stdout);
    tolvaran::ExitProcessWithoutCleanup(static_cast<int>(number));
  }
  if (command == "spawn-hang") {
    std::string rest = ReadAll();
    tolvaran::WorkerPool pool;
    tolvaran::WorkerLaunch launch;
    launch.executable = tolvaran::MakeRealHost()->ExecutablePath();
    launch.input = "hang\n";
    std::string error;
    tolvaran::WorkerId id = pool.Start(launch, &error);
    if (id == 0) {
      std::fprintf(stdout, "error %s\n", error.c_str());
      return 1;
    }
    std::fprintf(stdout, "%lld\n", static_cast<long long>(pool.ProcessId(id)));
    std::fflush(stdout);
    if (rest.find("no-cleanup") != std::string::npos) tolvaran::ExitProcessWithoutCleanup(5);
    if (rest.find("crash") != std::string::npos) Crash();
    SleepMs(3600 * 1000);
    return 0;
  }
  std::fprintf(stderr, "test worker: unknown command \"%s\"\n", command.c_str());
  return 100;
}
