// First: <windows.h> renames ReplaceFile and CopyFile to their ANSI forms,
// and Host's methods of those names must be renamed alike in this file.
// clang-format off
#include "platform/win32_io.h"
// clang-format on

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/folder_trust.h"
#include "platform/host.h"
#include "text/ascii_text.h"

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

// A disk file that is neither a directory nor a link (reparse point).
bool IsPlainDiskFile(HANDLE h) {
  if (GetFileType(h) != FILE_TYPE_DISK) return false;
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(h, &info)) return false;
  return (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0;
}

// After the lock file could not be opened: true when another check holds
// it or is deleting it (worth waiting for), false when it can never be had
// (its directory is missing or read-only, a directory or link is there).
bool LockMayBecomeFree(const std::string& native) {
  DWORD error = GetLastError();
  if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION) return true;
  DWORD attributes = GetFileAttributesA(native.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    // A file whose deletion is pending answers "access denied" until its
    // last handle is closed; one that is not there could not be created.
    return GetLastError() == ERROR_ACCESS_DENIED;
  }
  return (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0 &&
         (attributes & FILE_ATTRIBUTE_READONLY) == 0;
}

// Opens a regular disk file for reading; INVALID_HANDLE_VALUE for anything
// else (a pipe, a device, a directory).
HANDLE OpenRegularForReading(const std::string& native) {
  HANDLE h = CreateFileA(native.c_str(), GENERIC_READ,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return h;
  BY_HANDLE_FILE_INFORMATION info;
  if (GetFileType(h) != FILE_TYPE_DISK || !GetFileInformationByHandle(h, &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    CloseHandle(h);
    return INVALID_HANDLE_VALUE;
  }
  return h;
}

class Win32FileReader : public FileReader {
 public:
  explicit Win32FileReader(HANDLE h) : h_(h) {}
  ~Win32FileReader() override { CloseHandle(h_); }
  bool Read(std::string* chunk) override { return Read(chunk, kChunk); }
  bool Read(std::string* chunk, std::size_t most) {
    char buf[kChunk];
    DWORD n = 0;
    DWORD want = static_cast<DWORD>(most < kChunk ? most : kChunk);
    if (!::ReadFile(h_, buf, want, &n, nullptr)) {
      failed_ = true;
      return false;
    }
    if (n == 0) return false;
    chunk->assign(buf, n);
    return true;
  }
  bool Failed() const { return failed_; }

 private:
  static constexpr std::size_t kChunk = 65536;
  HANDLE h_;
  bool failed_ = false;
};

// The system's text for an error code, on one line, without its closing
// full stop ("%1" inserts left as they are).
std::string SystemText(DWORD code) {
  char* buffer = nullptr;
  DWORD size = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
  std::string text = size && buffer ? std::string(buffer, size) : "";
  if (buffer) LocalFree(buffer);
  for (char& c : text) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  while (!text.empty() && (text.back() == ' ' || text.back() == '.')) text.pop_back();
  return text.empty() ? "Windows error " + std::to_string(code) : text;
}

// A name that Windows takes as a device in any folder (CON, PRN, AUX, NUL,
// COM1 to COM9, LPT1 to LPT9, CONIN$, CONOUT$, with any extension), or a
// path in the device namespace (\\.\, where named pipes live).
bool NamesDevice(const std::string& native) {
  if (native.rfind("\\\\.\\", 0) == 0 || native.rfind("//./", 0) == 0) return true;
  std::size_t slash = native.find_last_of("\\/:");
  std::string base = native.substr(slash == std::string::npos ? 0 : slash + 1);
  base = AsciiUpper(base.substr(0, base.find('.')));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL" || base == "CONIN$" ||
      base == "CONOUT$") {
    return true;
  }
  return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
         base[3] >= '1' && base[3] <= '9';
}

// True when OUT= may replace what `native` names: nothing (it is made) or
// a regular disk file. A device, a pipe, a folder or a link is not the
// program's to replace.
bool PublishableTarget(const std::string& native) {
  if (NamesDevice(native)) return false;
  DWORD attributes = GetFileAttributesA(native.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return GetLastError() == ERROR_FILE_NOT_FOUND;
  if ((attributes &
       (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE)) != 0) {
    return false;
  }
  // Opened for no access at all, only to ask what it is.
  HANDLE h = CreateFileA(native.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  const bool plain = IsPlainDiskFile(h);
  CloseHandle(h);
  return plain;
}

// Last written `min_age_seconds` ago or earlier (a time in the future
// counts as now).
bool WrittenAgo(const FILETIME& written, unsigned min_age_seconds) {
  if (min_age_seconds == 0) return true;
  FILETIME now_time;
  GetSystemTimeAsFileTime(&now_time);
  ULARGE_INTEGER now, then;
  now.LowPart = now_time.dwLowDateTime;
  now.HighPart = now_time.dwHighDateTime;
  then.LowPart = written.dwLowDateTime;
  then.HighPart = written.dwHighDateTime;
  // FILETIME counts 100-nanosecond steps.
  return now.QuadPart >= then.QuadPart &&
         now.QuadPart - then.QuadPart >= static_cast<ULONGLONG>(min_age_seconds) * 10000000u;
}

constexpr unsigned kPublishedTemporaryAgeSeconds = 60;

bool FinishReplacing(HANDLE h, bool ok, const std::string& temp, const std::string& target) {
  if (!CloseHandle(h)) ok = false;
  if (ok && !MoveFileExA(temp.c_str(), target.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    ok = false;
  }
  if (!ok) DeleteFileA(temp.c_str());
  return ok;
}

class Win32Host : public StdioHost {
 public:
  explicit Win32Host(std::string root) : root_(std::move(root)) {}

  bool ReadFile(const std::string& path, std::string* bytes) override {
    bytes->clear();
    HANDLE h = OpenRegularForReading(NativePath(path));
    if (h == INVALID_HANDLE_VALUE) return false;
    Win32FileReader reader(h);
    std::string chunk;
    while (bytes->size() < kFileReadLimit && reader.Read(&chunk, kFileReadLimit - bytes->size())) {
      bytes->append(chunk);
    }
    return !reader.Failed();
  }

  std::unique_ptr<FileReader> OpenReader(const std::string& path) override {
    HANDLE h = OpenRegularForReading(NativePath(path));
    if (h == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<Win32FileReader>(h);
  }

  bool IsRegularFile(const std::string& path) override {
    HANDLE h = OpenRegularForReading(NativePath(path));
    if (h == INVALID_HANDLE_VALUE) return false;
    CloseHandle(h);
    return true;
  }

  std::string ReadFailure(const std::string& path) override {
    std::string native = NativePath(path);
    if (NamesDevice(native)) return std::string();
    DWORD attributes = GetFileAttributesA(native.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES ||
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0) {
      return std::string();
    }
    HANDLE h = CreateFileA(native.c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      CloseHandle(h);
      return std::string();
    }
    const DWORD code = GetLastError();
    switch (code) {
      case ERROR_FILE_NOT_FOUND:
      case ERROR_PATH_NOT_FOUND:
        return std::string();  // gone since
      case ERROR_ACCESS_DENIED:
        return "access denied";
      case ERROR_SHARING_VIOLATION:
      case ERROR_LOCK_VIOLATION:
        return "in use by another process";
      default:
        return AsciiLower(SystemText(code));
    }
  }

  bool ReplaceFile(const std::string& path, std::string_view bytes) override {
    std::string native = NativePath(path);
    std::string temp;
    HANDLE h = CreateTemporaryBeside(native, &temp);
    if (h == INVALID_HANDLE_VALUE) return false;
    bool ok = WriteAll(h, bytes);
    return FinishReplacing(h, ok, temp, native);
  }

  bool PublishFile(const std::string& path, std::string_view bytes) override {
    if (!PublishableTarget(NativePath(path))) return false;
    // A run killed between writing and renaming leaves its temporary file.
    // Nothing locks published files, so only one that no run has written
    // for a minute is taken as left over: a live run writes and renames
    // its own within moments.
    RemoveTemporaries(path, kPublishedTemporaryAgeSeconds);
    return ReplaceFile(path, bytes);
  }

  bool CopyFile(const std::string& from, const std::string& to, std::size_t max_bytes) override {
    HANDLE in = OpenRegularForReading(NativePath(from));
    if (in == INVALID_HANDLE_VALUE) return false;
    Win32FileReader reader(in);
    std::string native = NativePath(to);
    std::string temp;
    HANDLE out = CreateTemporaryBeside(native, &temp);
    if (out == INVALID_HANDLE_VALUE) return false;
    bool ok = true;
    std::string chunk;
    std::size_t copied = 0;
    while (ok && reader.Read(&chunk)) {
      copied += chunk.size();
      ok = copied <= max_bytes && WriteAll(out, chunk);
    }
    ok = ok && !reader.Failed();
    return FinishReplacing(out, ok, temp, native);
  }

  void RemoveStaleTemporaries(const std::string& path) override { RemoveTemporaries(path, 0); }

  // Removes the temporary files of `path`'s pattern that were last written
  // `min_age_seconds` ago or earlier.
  void RemoveTemporaries(const std::string& path, unsigned min_age_seconds) {
    std::string native = NativePath(path);
    std::size_t slash = native.find_last_of("\\/");
    std::string dir = slash == std::string::npos ? "" : native.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? native : native.substr(slash + 1);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((native + ".tmp*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
      // DeleteFile removes a link itself, never what it leads to; a
      // directory of that name is no file of ours and stays.
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
          IsOwnTemporaryName(found.cFileName, name) &&
          WrittenAgo(found.ftLastWriteTime, min_age_seconds)) {
        DeleteFileA((dir + found.cFileName).c_str());
      }
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }

  bool RemoveFile(const std::string& path) override {
    return DeleteFileA(NativePath(path).c_str()) != 0;
  }

  std::string FindIgnoringCase(const std::string& path) override { return path; }

  std::unique_ptr<FileLock> Lock(const std::string& path, int timeout_seconds) override {
    std::string native = NativePath(path);
    DWORD start = GetTickCount();
    for (;;) {
      // A link is opened itself (and never followed), so that it is seen.
      HANDLE h = CreateFileA(
          native.c_str(), GENERIC_READ | GENERIC_WRITE,
          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
          FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT,
          nullptr);
      if (h == INVALID_HANDLE_VALUE && !LockMayBecomeFree(native)) return nullptr;
      if (h != INVALID_HANDLE_VALUE && !IsPlainDiskFile(h)) {
        CloseHandle(h);
        return nullptr;
      }
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
  bool AdminOnlyFolder(const std::string& dir, std::string* why) override {
    return AdminOnlyFolderPath(*this, dir, why);
  }

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

std::string FullPath(const std::string& native) {
  char full[MAX_PATH];
  DWORD n = GetFullPathNameA(native.c_str(), sizeof full, full, nullptr);
  if (n == 0 || n >= sizeof full) return native;
  return std::string(full, n);
}

bool SetEnvironmentValue(const std::string& name, const std::string& value) {
  // The process's block is what a library's own C runtime copies when it is
  // loaded; _putenv_s also updates the copy of the runtime shared with a
  // library loaded already.
  return SetEnvironmentVariableA(name.c_str(), value.c_str()) != 0 &&
         _putenv_s(name.c_str(), value.c_str()) == 0;
}

namespace {

// The system's text for a loader error, on one line, "%1" filled with the
// file's name.
std::string LoaderMessage(DWORD code, const std::string& name) {
  std::string text = SystemText(code);
  std::size_t insert = text.find("%1");
  if (insert != std::string::npos) {
    std::size_t slash = name.find_last_of("\\/");
    text.replace(insert, 2, slash == std::string::npos ? name : name.substr(slash + 1));
  }
  return text;
}

// Whether a library of that name is there to load: the path itself, or a
// plain name found on the search path.
bool LibraryFileExists(const std::string& name) {
  if (name.find_first_of("\\/") != std::string::npos) {
    return GetFileAttributesA(name.c_str()) != INVALID_FILE_ATTRIBUTES;
  }
  char found[MAX_PATH];
  return SearchPathA(nullptr, name.c_str(), nullptr, MAX_PATH, found, nullptr) != 0;
}

}  // namespace

void* OpenSharedLibrary(const std::string& name, std::string* why) {
  // A library that is missing or cannot be loaded must come back as null:
  // the program runs unattended, and a message box would block the check.
  UINT old = SetErrorMode(0);
  SetErrorMode(old | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  HMODULE module = LoadLibraryA(name.c_str());
  DWORD code = GetLastError();
  SetErrorMode(old);
  if (!module && why) {
    // "Module not found" is also the answer when a library it needs is
    // missing: only a file that is not there at all has no reason.
    bool absent = (code == ERROR_MOD_NOT_FOUND || code == ERROR_FILE_NOT_FOUND ||
                   code == ERROR_PATH_NOT_FOUND) &&
                  !LibraryFileExists(name);
    *why = absent ? "" : LoaderMessage(code, name);
  }
  return reinterpret_cast<void*>(module);
}

void* FindLibrarySymbol(void* library, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

}  // namespace tolvaran
