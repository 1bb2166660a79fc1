#include "platform/standard_input.h"
#include "platform/win32_io.h"

namespace tolvaran {

bool ReadStandardInput(std::string* bytes, std::size_t limit) {
  bytes->clear();
  HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  if (in == INVALID_HANDLE_VALUE || in == nullptr) return false;
  char buffer[65536];
  for (;;) {
    DWORD n = 0;
    if (!ReadFile(in, buffer, sizeof buffer, &n, nullptr)) {
      // The writer closing its end of the pipe is the end of the input.
      return GetLastError() == ERROR_BROKEN_PIPE;
    }
    if (n == 0) return true;
    if (bytes->size() + n > limit) return false;
    bytes->append(buffer, n);
  }
}

}  // namespace tolvaran
