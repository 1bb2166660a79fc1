#include "rfc/library_config.h"

#include <memory>
#include <mutex>

#include "platform/host.h"
#include "rfc/nwrfc/destination_section.h"

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

// The run's deadline may release the lock from a thread of its own while
// the check is blocked in the library; it also waits for a replacement of
// the file in progress, so that no temporary file is left.
std::mutex& LockGuard() {
  static std::mutex guard;
  return guard;
}

}  // namespace

bool HasDestinationConfig(Host& host, std::string_view destination) {
  return host.IsRegularFile("SapRfc." + std::string(destination));
}

bool ReadDestinationGateway(Host& host, std::string_view destination, std::string* gatewayHost,
                            std::string* gatewayService) {
  std::string text;
  if (!host.ReadFile("SapRfc." + std::string(destination), &text)) return false;
  DestinationSection section = ReadDestinationSection(text, destination);
  *gatewayHost = section.gwhost;
  *gatewayService = section.gwserv;
  return true;
}

bool InstallLibraryConfig(Host& host, std::string_view destination) {
  std::unique_ptr<FileLock> lock = host.Lock(kLibraryConfigLock, kLockTimeoutSeconds);
  if (!lock) return false;
  std::lock_guard<std::mutex> guard(LockGuard());
  // A check killed between writing and renaming leaves its temporary file;
  // only the lock's holder may remove such files.
  host.RemoveStaleTemporaries(kLibraryConfig);
  if (!host.CopyFile("SapRfc." + std::string(destination), kLibraryConfig)) return false;
  HeldLock() = std::move(lock);
  return true;
}

void ReleaseLibraryConfigLock() {
  std::lock_guard<std::mutex> guard(LockGuard());
  HeldLock().reset();
}

}  // namespace tolvaran
