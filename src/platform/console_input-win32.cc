#include <iostream>

#include "platform/console_input.h"
#include "platform/win32_io.h"

namespace tolvaran {

bool ReadHiddenLine(std::string* line) {
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

}  // namespace tolvaran
