#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <iostream>

#include "platform/console_input.h"

namespace tolvaran {

namespace {

// The terminal's settings while echo is off, so that an interrupt can give
// the user back a terminal that shows what is typed.
struct termios savedTerminal;

extern "C" void RestoreTerminalAndStop(int signal_number) {
  tcsetattr(STDIN_FILENO, TCSAFLUSH, &savedTerminal);
  ::signal(signal_number, SIG_DFL);
  ::raise(signal_number);
}

}  // namespace

bool ReadHiddenLine(std::string* line) {
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

}  // namespace tolvaran
