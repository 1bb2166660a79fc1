// tolvaran-profile's entry: the process's streams, a password line read
// without echo at a terminal, and a random source seeded by the system.
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "profile_tool.h"

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <signal.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32

bool ReadPasswordLine(std::string* line) {
  HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  DWORD mode = 0;
  const bool console = input != INVALID_HANDLE_VALUE && GetConsoleMode(input, &mode);
  if (console) {
    std::cerr << "Password: " << std::flush;
    SetConsoleMode(input, mode & ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
  }
  const bool got = static_cast<bool>(std::getline(std::cin, *line));
  if (console) {
    SetConsoleMode(input, mode);
    std::cerr << "\n";
  }
  return got;
}

#else

// The terminal's settings while echo is off, so that an interrupt can give
// the user back a terminal that shows what is typed.
struct termios savedTerminal;

extern "C" void RestoreTerminalAndStop(int signal_number) {
  tcsetattr(STDIN_FILENO, TCSAFLUSH, &savedTerminal);
  ::signal(signal_number, SIG_DFL);
  ::raise(signal_number);
}

bool ReadPasswordLine(std::string* line) {
  const bool terminal = isatty(STDIN_FILENO) && tcgetattr(STDIN_FILENO, &savedTerminal) == 0;
  void (*oldInterrupt)(int) = SIG_DFL;
  void (*oldTerminate)(int) = SIG_DFL;
  if (terminal) {
    std::cerr << "Password: " << std::flush;
    oldInterrupt = ::signal(SIGINT, RestoreTerminalAndStop);
    oldTerminate = ::signal(SIGTERM, RestoreTerminalAndStop);
    struct termios quiet = savedTerminal;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
  }
  const bool got = static_cast<bool>(std::getline(std::cin, *line));
  if (terminal) {
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &savedTerminal);
    ::signal(SIGINT, oldInterrupt);
    ::signal(SIGTERM, oldTerminate);
    std::cerr << "\n";
  }
  return got;
}

#endif

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  std::random_device device;
  std::seed_seq seed{device(), device(), device(), device(), device(), device()};
  std::mt19937 rng(seed);

  tolvaran::ProfileToolIo io;
  io.out = &std::cout;
  io.err = &std::cerr;
  io.readPasswordLine = ReadPasswordLine;
  io.rng = &rng;
  const int status = tolvaran::RunProfileTool(args, io);
  std::cout.flush();
  return std::cout ? status : 2;
}
