#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <random>

#include "platform/posix_io.h"

namespace tolvaran {

bool WriteAll(int fd, std::string_view bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

int CreateExclusive(const std::string& path) {
  return open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
}

int CreateTemporaryBeside(const std::string& target, std::string* temp) {
  static const char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  std::random_device random;
  for (int attempt = 0; attempt < 16; ++attempt) {
    std::string name = target + ".tmp";
    for (int i = 0; i < 16; ++i) name += kDigits[random() % 36];
    int fd = CreateExclusive(name);
    if (fd >= 0) {
      *temp = name;
      return fd;
    }
    if (errno != EEXIST && errno != EINTR) return -1;
  }
  return -1;
}

}  // namespace tolvaran
