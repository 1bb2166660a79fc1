// The part of worker_process.h that needs no operating system of its own:
// the quoting of Windows command lines.
#include "platform/worker_process.h"

#include <string>

namespace tolvaran {

std::string QuoteWindowsArgument(const std::string& argument) {
  if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string::npos) {
    return argument;
  }
  // Backslashes are literal except before a quote, where each pair gives
  // one backslash; so every run before a quote (ours at the end included)
  // is doubled, and a quote of the argument itself gets one more.
  std::string quoted = "\"";
  std::size_t backslashes = 0;
  for (char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    if (c == '"') {
      quoted.append(backslashes * 2 + 1, '\\');
    } else {
      quoted.append(backslashes, '\\');
    }
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, '\\');
  quoted += '"';
  return quoted;
}

}  // namespace tolvaran
