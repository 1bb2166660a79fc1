#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/posix_io.h"
#include "platform/private_file.h"

namespace tolvaran {

PrivateWrite WritePrivateFile(const std::string& path, std::string_view bytes, bool replace,
                              std::string* reason) {
  std::string temp;
  int fd = -1;
  if (replace) {
    fd = CreateTemporaryBeside(path, &temp);
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
