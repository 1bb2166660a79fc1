#include <unistd.h>

#include <cerrno>

#include "platform/standard_input.h"

namespace tolvaran {

bool ReadStandardInput(std::string* bytes, std::size_t limit) {
  bytes->clear();
  char buffer[65536];
  for (;;) {
    ssize_t n = read(0, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    if (bytes->size() + static_cast<std::size_t>(n) > limit) return false;
    bytes->append(buffer, static_cast<std::size_t>(n));
  }
}

}  // namespace tolvaran
