#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <random>
#include <thread>

#include "platform/folder_trust.h"
#include "platform/host.h"
#include "platform/posix_io.h"
#include "text/ascii_text.h"

namespace tolvaran {

std::string MapWindowsPath(const std::string& path, const std::string& root) {
  std::string p = path;
  if (p.size() >= 2 && p[1] == ':' &&
      ((p[0] >= 'A' && p[0] <= 'Z') || (p[0] >= 'a' && p[0] <= 'z'))) {
    p.erase(0, 2);
  }
  for (char& c : p) {
    if (c == '\\') c = '/';
  }
  if (!root.empty() && !p.empty() && p[0] == '/') p = root + p;
  return p;
}

namespace {

class PosixLock : public FileLock {
 public:
  PosixLock(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  ~PosixLock() override {
    // Unlink while still holding the lock, so that a waiter that opened the
    // old file notices (its inode no longer has the name) and retries.
    unlink(path_.c_str());
    flock(fd_, LOCK_UN);
    close(fd_);
  }

 private:
  int fd_;
  std::string path_;
};

// Opens a regular file for reading; -1 for anything else. O_NONBLOCK keeps
// open from waiting for a FIFO's writer; a regular file reads the same
// with it, but it is cleared anyway.
int OpenRegularForReading(const std::string& native) {
  int fd = open(native.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return -1;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return -1;
  }
  int flags = fcntl(fd, F_GETFL);
  if (flags != -1) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  return fd;
}

// One read; the count, 0 at the end, -1 on an error.
ssize_t ReadSome(int fd, char* buf, std::size_t size) {
  for (;;) {
    ssize_t n = read(fd, buf, size);
    if (n >= 0 || errno != EINTR) return n;
  }
}

bool ReadUpTo(int fd, std::size_t limit, std::string* bytes) {
  // Small: the files read whole are short, and a deeper buffer would be a
  // fresh stack page, and a page fault, in every process.
  char buf[4096];
  while (bytes->size() < limit) {
    ssize_t n = ReadSome(fd, buf, std::min(sizeof buf, limit - bytes->size()));
    if (n < 0) return false;
    if (n == 0) break;
    bytes->append(buf, static_cast<std::size_t>(n));
  }
  return true;
}

class PosixFileReader : public FileReader {
 public:
  explicit PosixFileReader(int fd) : fd_(fd) {}
  ~PosixFileReader() override { close(fd_); }
  bool Read(std::string* chunk) override {
    char buf[65536];
    ssize_t n = ReadSome(fd_, buf, sizeof buf);
    if (n <= 0) {
      at_end_ = n == 0;
      return false;
    }
    chunk->assign(buf, static_cast<std::size_t>(n));
    return true;
  }
  bool AtEnd() const { return at_end_; }

 private:
  int fd_;
  bool at_end_ = false;
};

bool FinishReplacing(int fd, bool ok, const std::string& temp, const std::string& target) {
  if (close(fd) != 0) ok = false;
  if (ok && rename(temp.c_str(), target.c_str()) != 0) ok = false;
  if (!ok) unlink(temp.c_str());
  return ok;
}

constexpr std::time_t kPublishedTemporaryAgeSeconds = 60;

class PosixHost : public StdioHost {
 public:
  explicit PosixHost(std::string root) : root_(std::move(root)) {}

  bool ReadFile(const std::string& path, std::string* bytes) override {
    bytes->clear();
    int fd = OpenRegularForReading(NativePath(path));
    if (fd < 0) return false;
    bool ok = ReadUpTo(fd, kFileReadLimit, bytes);
    close(fd);
    return ok;
  }

  std::unique_ptr<FileReader> OpenReader(const std::string& path) override {
    int fd = OpenRegularForReading(NativePath(path));
    if (fd < 0) return nullptr;
    return std::make_unique<PosixFileReader>(fd);
  }

  bool IsRegularFile(const std::string& path) override {
    int fd = OpenRegularForReading(NativePath(path));
    if (fd < 0) return false;
    close(fd);
    return true;
  }

  std::string ReadFailure(const std::string& path) override {
    std::string native = NativePath(path);
    struct stat st;
    if (stat(native.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::string();
    int fd = OpenRegularForReading(native);
    if (fd >= 0) {
      close(fd);
      return std::string();
    }
    if (errno == EACCES || errno == EPERM) return "permission denied";
    return AsciiLower(std::strerror(errno));
  }

  bool ReplaceFile(const std::string& path, std::string_view bytes) override {
    return Replace(path, bytes, 0600);
  }

  bool PublishFile(const std::string& path, std::string_view bytes) override {
    // A published file (OUT=) replaces only a regular file: a device, a
    // FIFO, a directory or a link named there is not the program's to
    // replace (as root, OUT=/dev/null would otherwise become a file).
    struct stat st;
    if (lstat(NativePath(path).c_str(), &st) == 0 ? !S_ISREG(st.st_mode) : errno != ENOENT) {
      return false;
    }
    // A run killed between writing and renaming leaves its temporary file.
    // Nothing holds a lock over published files, so only one that no run
    // has written for a minute is taken as left over: a live run writes
    // and renames its own within moments.
    RemoveTemporaries(path, kPublishedTemporaryAgeSeconds);
    return Replace(path, bytes, 0644);
  }

  bool CopyFile(const std::string& from, const std::string& to, std::size_t max_bytes) override {
    int in = OpenRegularForReading(NativePath(from));
    if (in < 0) return false;
    struct stat st;
    std::string native = NativePath(to);
    std::string temp;
    int out = fstat(in, &st) == 0 ? CreateTemporaryBeside(native, &temp) : -1;
    if (out < 0) {
      close(in);
      return false;
    }
    // The copy may hold a password like its source: it gets the source's
    // permission bits, not the umask's.
    bool ok = fchmod(out, st.st_mode & 0777) == 0;
    PosixFileReader reader(in);
    std::string chunk;
    std::size_t copied = 0;
    while (ok && reader.Read(&chunk)) {
      copied += chunk.size();
      ok = copied <= max_bytes && WriteAll(out, chunk);
    }
    ok = ok && reader.AtEnd();
    return FinishReplacing(out, ok, temp, native);
  }

  void RemoveStaleTemporaries(const std::string& path) override { RemoveTemporaries(path, 0); }

  // Removes the temporary files of `path`'s pattern that were last written
  // `min_age_seconds` ago or earlier.
  void RemoveTemporaries(const std::string& path, std::time_t min_age_seconds) {
    const std::time_t now = std::time(nullptr);
    std::string native = NativePath(path);
    std::size_t slash = native.find_last_of('/');
    std::string dir = slash == std::string::npos ? "." : native.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? native : native.substr(slash + 1);
    DIR* d = opendir(dir.c_str());
    if (!d) return;
    while (struct dirent* entry = readdir(d)) {
      if (!IsOwnTemporaryName(entry->d_name, name)) continue;
      // unlink removes a link itself, never what it leads to; a directory
      // of that name is no file of ours and stays.
      std::string stale = (slash == std::string::npos ? "" : dir) + entry->d_name;
      struct stat st;
      if (lstat(stale.c_str(), &st) == 0 && !S_ISDIR(st.st_mode) &&
          now - st.st_mtime >= min_age_seconds) {
        unlink(stale.c_str());
      }
    }
    closedir(d);
  }

  bool RemoveFile(const std::string& path) override {
    return unlink(NativePath(path).c_str()) == 0;
  }

  std::string FindIgnoringCase(const std::string& path) override {
    std::string native = NativePath(path);
    struct stat st;
    if (stat(native.c_str(), &st) == 0) return path;
    std::size_t slash = path.find_last_of("\\/");
    std::string dir_part = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string native_dir = dir_part.empty() ? "." : NativePath(dir_part);
    DIR* dir = opendir(native_dir.c_str());
    if (!dir) return path;
    std::string found;
    while (struct dirent* entry = readdir(dir)) {
      // The program's own comparison: only ASCII letters change case, as
      // everywhere else, and the C library's locale tables stay untouched.
      if (EqualsIgnoringCase(entry->d_name, name)) {
        found = entry->d_name;
        break;
      }
    }
    closedir(dir);
    return found.empty() ? path : dir_part + found;
  }

  std::unique_ptr<FileLock> Lock(const std::string& path, int timeout_seconds) override {
    std::string native = NativePath(path);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeout_seconds);
    for (;;) {
      // Never through a link, and never waiting in open for a FIFO.
      int fd = open(native.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
      if (fd < 0 && errno != EINTR) return nullptr;  // it can never be created
      if (fd >= 0) {
        struct stat st;
        if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
          close(fd);
          return nullptr;
        }
        if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
          // The holder before us may have unlinked the file we opened.
          struct stat held, named;
          if (fstat(fd, &held) == 0 && stat(native.c_str(), &named) == 0 &&
              held.st_ino == named.st_ino && held.st_dev == named.st_dev) {
            return std::make_unique<PosixLock>(fd, native);
          }
          flock(fd, LOCK_UN);
        }
        close(fd);
      }
      if (std::chrono::steady_clock::now() >= deadline) return nullptr;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }

  std::string TimeOfDay() override {
    std::time_t now = std::time(nullptr);
    struct tm local;
    localtime_r(&now, &local);
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", local.tm_hour, local.tm_min, local.tm_sec);
    return text;
  }

  std::string ExecutablePath() override {
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return "";
    return std::string(buf, static_cast<std::size_t>(n));
  }

  std::string NativePath(const std::string& path) override { return MapWindowsPath(path, root_); }
  bool AdminOnlyFolder(const std::string& dir, std::string* why) override {
    return AdminOnlyFolderPath(*this, dir, why);
  }

 private:
  // The temporary file is created 0600 and widened to `mode` before it
  // holds any byte, the umask notwithstanding.
  bool Replace(const std::string& path, std::string_view bytes, mode_t mode) {
    std::string native = NativePath(path);
    std::string temp;
    int fd = CreateTemporaryBeside(native, &temp);
    if (fd < 0) return false;
    bool ok = (mode == 0600 || fchmod(fd, mode) == 0) && WriteAll(fd, bytes);
    return FinishReplacing(fd, ok, temp, native);
  }

  std::string root_;
};

}  // namespace

std::unique_ptr<Host> MakeRealHost(const std::string& root) {
  return std::make_unique<PosixHost>(root);
}

std::string FullPath(const std::string& native) {
  if (native.empty() || native[0] == '/') return native;
  char dir[4096];
  if (!getcwd(dir, sizeof dir)) return native;
  std::string full = dir;
  if (full.back() != '/') full += '/';
  return full + native;
}

bool SetEnvironmentValue(const std::string& name, const std::string& value) {
  return setenv(name.c_str(), value.c_str(), 1) == 0;
}

void* OpenSharedLibrary(const std::string& name, std::string* why) {
  // A path to no file is no library, and the loader would only say so: its
  // message costs the C library's message catalogue in every check that
  // finds its library under a later name.
  if (name.find('/') != std::string::npos && access(name.c_str(), F_OK) != 0 && errno == ENOENT) {
    if (why) why->clear();
    return nullptr;
  }
  void* library = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library || !why) return library;
  const char* error = dlerror();
  std::string text = error ? error : "";
  // The loader names the file first; the caller knows which one it is.
  const std::string own = name + ": ";
  if (text.compare(0, own.size(), own) == 0) text.erase(0, own.size());
  if (text == "cannot open shared object file: No such file or directory") text.clear();
  // An administrator reads bitness, not ELF constants.
  const std::string wrong_class = "wrong ELF class: ELFCLASS";
  if (text.compare(0, wrong_class.size(), wrong_class) == 0) {
    text = "wrong ELF class (" + text.substr(wrong_class.size()) + "-bit)";
  }
  *why = text;
  return nullptr;
}

void* FindLibrarySymbol(void* library, const char* name) { return dlsym(library, name); }

}  // namespace tolvaran
