#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <thread>

#include "platform/host.h"

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

class PosixHost : public Host {
 public:
  explicit PosixHost(std::string root) : root_(std::move(root)) {}

  void WriteOut(std::string_view bytes) override {
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    std::fflush(stdout);
  }

  bool ReadFile(const std::string& path, std::string* bytes) override {
    bytes->clear();
    std::string native = NativePath(path);
    int fd = open(native.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
      close(fd);
      return false;
    }
    char buf[65536];
    for (;;) {
      ssize_t n = read(fd, buf, sizeof buf);
      if (n < 0) {
        if (errno == EINTR) continue;
        close(fd);
        return false;
      }
      if (n == 0) break;
      bytes->append(buf, static_cast<std::size_t>(n));
    }
    close(fd);
    return true;
  }

  bool ReplaceFile(const std::string& path, std::string_view bytes) override {
    std::string native = NativePath(path);
    std::string temp = native + ".tmp" + std::to_string(getpid());
    int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    std::size_t done = 0;
    while (done < bytes.size()) {
      ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
    bool ok = done == bytes.size();
    if (close(fd) != 0) ok = false;
    if (ok && rename(temp.c_str(), native.c_str()) != 0) ok = false;
    if (!ok) unlink(temp.c_str());
    return ok;
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
      if (strcasecmp(entry->d_name, name.c_str()) == 0) {
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
      int fd = open(native.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
      if (fd >= 0) {
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
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", local.tm_hour, local.tm_min,
                  local.tm_sec);
    return text;
  }

  std::string ExecutablePath() override {
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return "";
    return std::string(buf, static_cast<std::size_t>(n));
  }

  std::string NativePath(const std::string& path) override { return MapWindowsPath(path, root_); }

 private:
  std::string root_;
};

}  // namespace

std::unique_ptr<Host> MakeRealHost(const std::string& root) {
  return std::make_unique<PosixHost>(root);
}

void ExitProcessNow(int status) {
  std::fflush(stdout);
  std::_Exit(status);
}

std::vector<std::string> RfcLibraryCandidates(const std::string& exe_dir) {
  std::vector<std::string> names;
  for (const char* name : {"librfccm.so", "librfc32.so"}) {
    if (!exe_dir.empty()) names.push_back(exe_dir + "/" + name);
  }
  names.push_back("librfccm.so");
  names.push_back("librfc32.so");
  return names;
}

void* OpenSharedLibrary(const std::string& name) {
  return dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* FindLibrarySymbol(void* library, const char* name) { return dlsym(library, name); }

}  // namespace tolvaran
