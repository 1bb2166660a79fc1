#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>

#include "platform/private_file.h"

namespace tolvaran {

namespace {

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

}  // namespace

PrivateWrite WritePrivateFile(const std::string& path, std::string_view bytes, bool replace,
                              std::string* reason) {
  std::string temp;
  int fd = -1;
  if (replace) {
    static const char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::random_device random;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
      temp = path + ".tmp";
      for (int i = 0; i < 16; ++i) temp += kDigits[random() % 36];
      fd = CreateExclusive(temp);
      if (fd < 0 && errno != EEXIST) break;
    }
  } else {
    fd = CreateExclusive(path);
    if (fd < 0 && errno == EEXIST) return PrivateWrite::kExists;
  }
  if (fd < 0) {
    *reason = std::strerror(errno);
    return PrivateWrite::kFailed;
  }
  // The umask may only take bits away; the owner-only mode is set outright.
  bool ok = fchmod(fd, 0600) == 0 && WriteAll(fd, bytes) && fsync(fd) == 0;
  if (close(fd) != 0) ok = false;
  if (ok && replace && rename(temp.c_str(), path.c_str()) != 0) ok = false;
  if (!ok) {
    *reason = errno != 0 ? std::strerror(errno) : "writing it failed";
    unlink((replace ? temp : path).c_str());
    return PrivateWrite::kFailed;
  }
  return PrivateWrite::kWritten;
}

}  // namespace tolvaran
