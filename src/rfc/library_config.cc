#include "rfc/library_config.h"

#include <memory>

#include "platform/host.h"

namespace tolvaran {

namespace {

const char kLibraryConfig[] = "SapRfc.ini";
const char kLibraryConfigLock[] = "SapRfc.ini.lock";
const int kLockTimeoutSeconds = 30;

// One per process: a process opens one connection at a time, and the
// library's error handler, which has no parameter for it, must find it.
std::unique_ptr<FileLock>& HeldLock() {
  static std::unique_ptr<FileLock> lock;
  return lock;
}

}  // namespace

bool ReadDestinationConfig(Host& host, std::string_view destination, std::string* bytes) {
  return host.ReadFile("SapRfc." + std::string(destination), bytes);
}

bool InstallLibraryConfig(Host& host, const std::string& bytes) {
  HeldLock() = host.Lock(kLibraryConfigLock, kLockTimeoutSeconds);
  if (!HeldLock()) return false;
  if (!host.ReplaceFile(kLibraryConfig, bytes)) {
    HeldLock().reset();
    return false;
  }
  return true;
}

void ReleaseLibraryConfigLock() { HeldLock().reset(); }

}  // namespace tolvaran
