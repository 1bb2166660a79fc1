#include "rfc/library_config.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <mutex>

#include "platform/host.h"
#include "rfc/nwrfc/destination_section.h"

namespace tolvaran {

namespace {

const char kLibraryConfig[] = "SapRfc.ini";
const char kLibraryConfigLock[] = "SapRfc.ini.lock";
const char kLibraryConfigVariable[] = "RFC_INI";
const int kLockTimeoutSeconds = 30;

std::string DestinationConfigName(std::string_view destination) {
  return "SapRfc." + std::string(destination);
}

// The lock while SapRfc.ini is written. The run's deadline may end the
// process from a thread of its own: it takes the guard to wait for a
// replacement in progress, so that no temporary file is left, and keeps it,
// so that no other replacement begins before the process is gone.
struct HeldConfigLock {
  std::mutex guard;
  std::unique_ptr<FileLock> lock;
};

HeldConfigLock& Held() {
  // Never destroyed: the deadline's thread may use it while the process
  // ends.
  static HeldConfigLock* held = new HeldConfigLock();
  return *held;
}

// Time the run keeps after an unsuccessful wait for the lock to say that
// SapRfc.ini was busy: a wait that ended at the deadline itself would lose
// that reason to the timeout document.
const std::int64_t kLockReportRoomMs = 500;

// Seconds to wait for the lock: 30, or whole seconds of what is left before
// the deadline less the room to report. A run whose lock is reached in the
// first millisecond of TIMEOUT=2 thus waits one second, not two.
int LockWaitSeconds(Deadline deadline) {
  if (deadline.IsNever()) return kLockTimeoutSeconds;
  const std::int64_t usable = deadline.RemainingMs() - kLockReportRoomMs;
  return static_cast<int>(std::clamp<std::int64_t>(usable / 1000, 0, kLockTimeoutSeconds));
}

}  // namespace

bool HasDestinationConfig(Host& host, std::string_view destination) {
  return host.IsRegularFile(DestinationConfigName(destination));
}

bool ReadDestinationGateway(Host& host, std::string_view destination, std::string* gatewayHost,
                            std::string* gatewayService, std::string* refusal) {
  const std::string source = DestinationConfigName(destination);
  std::string text;
  if (!host.ReadFile(source, &text)) {
    *refusal = source + " not readable";
    return false;
  }
  if (text.size() > kDestinationConfigLimit) {
    *refusal = source + " too large";
    return false;
  }
  DestinationSection section = ReadDestinationSection(text, destination);
  *gatewayHost = section.gwhost;
  *gatewayService = section.gwserv;
  return true;
}

void UseDestinationConfig(Host& host, std::string_view destination) {
  static std::string* current = new std::string();
  if (!HasDestinationConfig(host, destination)) return;
  std::string native = host.NativePath(DestinationConfigName(destination));
  // A full path, so that the library finds the file whatever directory it
  // takes a relative name from. Not std::filesystem: it would bring the C++
  // runtime's locale machinery into the program, a megabyte of code and its
  // start-up in every check.
  native = FullPath(native);
  if (native == *current) return;
  if (SetEnvironmentValue(kLibraryConfigVariable, native)) *current = native;
}

bool InstallLibraryConfig(Host& host, std::string_view destination, Deadline deadline,
                          std::string* bytes, std::string* refusal) {
  const std::string source = DestinationConfigName(destination);
  // Read whole but bounded, and before the lock: a file too large is
  // refused without keeping anyone waiting.
  if (!host.ReadFile(source, bytes)) {
    *refusal = source + " not readable";
    return false;
  }
  if (bytes->size() > kDestinationConfigLimit) {
    *refusal = source + " too large";
    return false;
  }
  const int waitSeconds = LockWaitSeconds(deadline);
  const std::int64_t waitStart = MonotonicMilliseconds();
  std::unique_ptr<FileLock> lock = host.Lock(kLibraryConfigLock, waitSeconds);
  if (!lock) {
    // A lock file that can never be had (a FIFO, a directory, a link) is
    // given up at once; a busy one only when the wait is over.
    bool waited = MonotonicMilliseconds() - waitStart >= std::int64_t{1000} * waitSeconds;
    *refusal = waited ? std::string(kLibraryConfig) + " busy"
                      : std::string(kLibraryConfigLock) + " unusable";
    return false;
  }
  HeldConfigLock& held = Held();
  std::lock_guard<std::mutex> guard(held.guard);
  held.lock = std::move(lock);
  // A check killed between writing and renaming leaves its temporary file;
  // only the lock's holder may remove such files.
  host.RemoveStaleTemporaries(kLibraryConfig);
  bool copied = host.CopyFile(source, kLibraryConfig, kDestinationConfigLimit);
  held.lock.reset();
  if (!copied) *refusal = std::string(kLibraryConfig) + " not written";
  return copied;
}

void ReleaseLibraryConfigLock() {
  HeldConfigLock& held = Held();
  held.guard.lock();  // kept: the process is ending
  held.lock.reset();
}

void RemoveLibraryConfigLeftovers(Host& host) {
  std::unique_ptr<FileLock> lock = host.Lock(kLibraryConfigLock, 0);
  if (lock) host.RemoveStaleTemporaries(kLibraryConfig);
}

}  // namespace tolvaran
