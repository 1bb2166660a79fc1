#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/host.h"

namespace tolvaran {

std::string MapWindowsPath(const std::string& path, const std::string& root) {
  if (root.empty()) return path;
  std::string p = path;
  // Only a letter before the colon names a drive, as on POSIX.
  if (p.size() >= 2 && p[1] == ':' &&
      ((p[0] >= 'A' && p[0] <= 'Z') || (p[0] >= 'a' && p[0] <= 'z'))) {
    p.erase(0, 2);
  }
  if (!p.empty() && (p[0] == '\\' || p[0] == '/')) return root + p;
  return p;
}

namespace {

// True when `held` is still the file that `path` names. A lock file is
// deleted when its holder closes it; a waiter that opened it just before can
// then lock a file that is about to go (or, where deletion takes the name at
// once, has gone) while the next process creates a fresh one under the name.
bool StillNamed(HANDLE held, const std::string& path) {
  HANDLE named =
      CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (named == INVALID_HANDLE_VALUE) return false;  // gone, or deletion pending
  BY_HANDLE_FILE_INFORMATION a, b;
  bool same = GetFileInformationByHandle(held, &a) && GetFileInformationByHandle(named, &b) &&
              a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
              a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
  CloseHandle(named);
  return same;
}

class Win32Lock : public FileLock {
 public:
  Win32Lock(HANDLE file, std::string path) : file_(file), path_(std::move(path)) {}
  ~Win32Lock() override {
    OVERLAPPED ov = {};
    UnlockFileEx(file_, 0, 1, 0, &ov);
    CloseHandle(file_);  // FILE_FLAG_DELETE_ON_CLOSE removes it with the last handle
  }

 private:
  HANDLE file_;
  std::string path_;
};

class Win32Host : public Host {
 public:
  explicit Win32Host(std::string root) : root_(std::move(root)) {}

  void WriteOut(std::string_view bytes) override {
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    std::fflush(stdout);
  }

  bool ReadFile(const std::string& path, std::string* bytes) override {
    bytes->clear();
    HANDLE h = CreateFileA(NativePath(path).c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    if (GetFileType(h) != FILE_TYPE_DISK) {
      CloseHandle(h);
      return false;
    }
    char buf[65536];
    DWORD n = 0;
    for (;;) {
      if (!::ReadFile(h, buf, sizeof buf, &n, nullptr)) {
        CloseHandle(h);
        return false;
      }
      if (n == 0) break;
      bytes->append(buf, n);
    }
    CloseHandle(h);
    return true;
  }

  bool ReplaceFile(const std::string& path, std::string_view bytes) override {
    std::string native = NativePath(path);
    std::string temp = native + ".tmp" + std::to_string(GetCurrentProcessId());
    HANDLE h = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = bytes.empty() ||
              (::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
               written == bytes.size());
    if (!CloseHandle(h)) ok = false;
    if (ok && !MoveFileExA(temp.c_str(), native.c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      ok = false;
    }
    if (!ok) DeleteFileA(temp.c_str());
    return ok;
  }

  bool RemoveFile(const std::string& path) override {
    return DeleteFileA(NativePath(path).c_str()) != 0;
  }

  std::string FindIgnoringCase(const std::string& path) override { return path; }

  std::unique_ptr<FileLock> Lock(const std::string& path, int timeout_seconds) override {
    std::string native = NativePath(path);
    DWORD start = GetTickCount();
    for (;;) {
      HANDLE h =
          CreateFileA(native.c_str(), GENERIC_READ | GENERIC_WRITE,
                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
      if (h != INVALID_HANDLE_VALUE) {
        OVERLAPPED ov = {};
        if (LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &ov)) {
          if (StillNamed(h, native)) return std::make_unique<Win32Lock>(h, native);
          OVERLAPPED unlock = {};
          UnlockFileEx(h, 0, 1, 0, &unlock);
        }
        CloseHandle(h);
      }
      if (GetTickCount() - start >= static_cast<DWORD>(timeout_seconds) * 1000u) return nullptr;
      Sleep(5);
    }
  }

  std::string TimeOfDay() override {
    SYSTEMTIME t;
    GetLocalTime(&t);
    char text[16];
    std::snprintf(text, sizeof text, "%02u:%02u:%02u", static_cast<unsigned>(t.wHour),
                  static_cast<unsigned>(t.wMinute), static_cast<unsigned>(t.wSecond));
    return text;
  }

  std::string ExecutablePath() override {
    char buf[MAX_PATH * 4];
    DWORD n = GetModuleFileNameA(nullptr, buf, sizeof buf);
    if (n == 0 || n >= sizeof buf) return "";
    return std::string(buf, n);
  }

  std::string NativePath(const std::string& path) override { return MapWindowsPath(path, root_); }

  std::string InvokedProgramPath(const std::string&) override { return ExecutablePath(); }

 private:
  std::string root_;
};

}  // namespace

std::unique_ptr<Host> MakeRealHost(const std::string& root) {
  // The C runtime's standard output starts in text mode and would put a CR
  // before every LF; the monitor must get the document's bytes unchanged.
  static const bool binary_out = [] {
    std::fflush(stdout);
    return _setmode(_fileno(stdout), _O_BINARY) != -1;
  }();
  static_cast<void>(binary_out);
  return std::make_unique<Win32Host>(root);
}

void ExitProcessNow(int status) {
  std::fflush(stdout);
  std::_Exit(status);
}

std::vector<RfcLibraryCandidate> RfcLibraryCandidates(const std::string& exe_dir) {
  static const RfcLibraryCandidate kNames[] = {{"librfc32.dll", false}, {"sapnwrfc.dll", true}};
  std::vector<RfcLibraryCandidate> candidates;
  if (!exe_dir.empty()) {
    for (const RfcLibraryCandidate& name : kNames) {
      candidates.push_back({exe_dir + "\\" + name.path, name.netweaver});
    }
  }
  for (const RfcLibraryCandidate& name : kNames) candidates.push_back(name);
  return candidates;
}

void* OpenSharedLibrary(const std::string& name) {
  // A library that is missing or cannot be loaded must come back as null:
  // the program runs unattended, and a message box would block the check.
  UINT old = SetErrorMode(0);
  SetErrorMode(old | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  HMODULE module = LoadLibraryA(name.c_str());
  SetErrorMode(old);
  return reinterpret_cast<void*>(module);
}

void* FindLibrarySymbol(void* library, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

}  // namespace tolvaran
