// MeasuredValues a secret from standard input.
#ifndef TOLVARAN_PLATFORM_CONSOLE_INPUT_H_
#define TOLVARAN_PLATFORM_CONSOLE_INPUT_H_

#include <string>

namespace tolvaran {

// Reads one line from standard input. When it is a terminal, "Password: " is
// prompted on standard error and what is typed is not shown (the terminal is
// given back as it was, also on an interrupt). False at the end of input.
bool ReadHiddenLine(std::string* line);

}  // namespace tolvaran

#endif  // TOLVARAN_PLATFORM_CONSOLE_INPUT_H_
