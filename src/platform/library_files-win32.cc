#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "platform/host.h"
#include "platform/library_files.h"
#include "platform/pe_image.h"
#include "platform/win32_io.h"
#include "text/ascii_text.h"

namespace tolvaran {

namespace {

// How deep the companions' own imports are followed: the NetWeaver
// library, libsapucum, ICU.
constexpr int kImportDepth = 4;

const std::uint16_t kOwnMachine = sizeof(void*) == 8 ? kPeMachineX64 : kPeMachineX86;

std::string ErrorText(DWORD code) {
  char text[256] = {};
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                           code, 0, text, sizeof text, nullptr);
  while (n > 0 &&
         (text[n - 1] == '\r' || text[n - 1] == '\n' || text[n - 1] == '.' || text[n - 1] == ' ')) {
    --n;
  }
  return n > 0 ? std::string(text, n) : "error " + std::to_string(code);
}

std::wstring Wide(const std::string& text) {
  int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 1), L'\0');
  if (n > 0) MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0], n);
  return wide;
}

bool IsFile(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string DirectoryOf(const std::string& path) {
  std::size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? "" : path.substr(0, slash);
}

std::string SystemDirectory() {
  char dir[MAX_PATH] = {};
  UINT n = GetSystemDirectoryA(dir, MAX_PATH);
  return n > 0 && n < MAX_PATH ? std::string(dir, n) : "";
}

std::string ModulePath(HMODULE module) {
  char path[MAX_PATH] = {};
  DWORD n = GetModuleFileNameA(module, path, MAX_PATH);
  return n > 0 && n < MAX_PATH ? std::string(path, n) : "";
}

bool InDirectory(const std::string& path, const std::string& dir) {
  return !dir.empty() && AsciiLower(DirectoryOf(path)) == AsciiLower(dir);
}

// The first of `dirs` that holds the file `name`; "" when none does.
std::string FindIn(const std::vector<std::string>& dirs, const std::string& name) {
  for (const std::string& dir : dirs) {
    if (dir.empty()) continue;
    std::string path = dir + "\\" + name;
    if (IsFile(path)) return path;
  }
  return "";
}

// Where a plain name is looked for: the program's directory, the system's
// directories and PATH (where SAP GUI puts its library), in the order
// Windows searches them, without the current directory, where anybody who
// can start the program could have put a file of that name.
std::vector<std::string> NameSearchPath() {
  std::vector<std::string> dirs = {DirectoryOf(ModulePath(nullptr)), SystemDirectory()};
  char windows[MAX_PATH] = {};
  UINT n = GetWindowsDirectoryA(windows, MAX_PATH);
  if (n > 0 && n < MAX_PATH) dirs.emplace_back(windows, n);
  char path[32768];
  DWORD length = GetEnvironmentVariableA("PATH", path, sizeof path);
  std::string list = length > 0 && length < sizeof path ? std::string(path, length) : "";
  for (std::size_t start = 0; start <= list.size();) {
    std::size_t end = list.find(';', start);
    if (end == std::string::npos) end = list.size();
    std::string dir = list.substr(start, end - start);
    if (dir.size() >= 2 && dir.front() == '"' && dir.back() == '"')
      dir = dir.substr(1, dir.size() - 2);
    if (!dir.empty() && dir != ".") dirs.push_back(dir);
    start = end + 1;
  }
  return dirs;
}

bool ReadImage(const std::string& path, PeImage* image) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  PeReader read = [&file](std::uint64_t offset, std::size_t size, std::string* out) {
    out->assign(size, '\0');
    file.clear();
    file.seekg(static_cast<std::streamoff>(offset));
    file.read(&(*out)[0], static_cast<std::streamsize>(size));
    return file.gcount() == static_cast<std::streamsize>(size);
  };
  return ReadPeImage(read, image);
}

// DLLs that name parts of Windows' API rather than files.
bool IsApiSet(const std::string& name) {
  std::string lower = AsciiLower(name);
  return lower.compare(0, 7, "api-ms-") == 0 || lower.compare(0, 7, "ext-ms-") == 0;
}

// What keeps the DLL at `path` from loading among its imports, found where
// the loader looks (`dirs`): "<name> missing", or a companion of the wrong
// machine; "" when every import is there.
std::string ImportFault(const std::string& path, const std::vector<std::string>& dirs,
                        std::set<std::string>* seen, int depth) {
  PeImage image;
  if (!ReadImage(path, &image)) return "";
  for (const std::string& name : image.imports) {
    if (IsApiSet(name) || !seen->insert(AsciiLower(name)).second) continue;
    std::string found = FindIn(dirs, name);
    if (found.empty()) return name + " missing";
    if (InDirectory(found, SystemDirectory()) || depth <= 1) continue;
    PeImage companion;
    if (ReadImage(found, &companion) && companion.machine != kOwnMachine) {
      return name + " is a " + PeMachineName(companion.machine) + " DLL";
    }
    std::string fault = ImportFault(found, dirs, seen, depth - 1);
    if (!fault.empty()) return fault;
  }
  return "";
}

std::string LoadFault(const std::string& path, DWORD error) {
  PeImage image;
  if (ReadImage(path, &image)) {
    if (image.machine != kOwnMachine) {
      return "a " + PeMachineName(image.machine) + " DLL for the " + PeMachineName(kOwnMachine) +
             " program";
    }
    std::set<std::string> seen;
    std::string fault =
        ImportFault(path, {DirectoryOf(path), DirectoryOf(ModulePath(nullptr)), SystemDirectory()},
                    &seen, kImportDepth);
    if (!fault.empty()) return fault;
  }
  return ErrorText(error);
}

}  // namespace

void* LoadLibraryFile(const std::string& name, bool withCompanions, std::string* why) {
  why->clear();
  const bool plain = name.find_first_of("\\/") == std::string::npos;
  std::string path = name;
  if (plain) {
    path = FindIn(NameSearchPath(), name);
    if (path.empty()) return nullptr;
  }
  if (!withCompanions) return OpenSharedLibrary(path, why);
  if (!IsFile(path)) return nullptr;

  // A library that is missing or cannot be loaded must come back as null:
  // the program runs unattended, and a message box would block the check.
  UINT old = SetErrorMode(0);
  SetErrorMode(old | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  HMODULE module =
      LoadLibraryExW(Wide(path).c_str(), nullptr,
                     LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
  DWORD error = GetLastError();
  SetErrorMode(old);
  if (!module) *why = LoadFault(path, error);
  return reinterpret_cast<void*>(module);
}

std::vector<LibraryCompanion> LibraryCompanions(void* library) {
  std::vector<LibraryCompanion> companions;
  const std::string system = SystemDirectory();
  std::set<std::string> seen;
  std::vector<std::string> pending = {ModulePath(static_cast<HMODULE>(library))};
  for (int depth = 0; depth < kImportDepth && !pending.empty(); ++depth) {
    std::vector<std::string> next;
    for (const std::string& path : pending) {
      PeImage image;
      if (!ReadImage(path, &image)) continue;
      for (const std::string& name : image.imports) {
        if (IsApiSet(name) || !seen.insert(AsciiLower(name)).second) continue;
        // Loaded with the library: where Windows took it from.
        HMODULE module = GetModuleHandleA(name.c_str());
        std::string loaded = module ? ModulePath(module) : "";
        if (loaded.empty() || InDirectory(loaded, system)) continue;
        companions.push_back({name, loaded});
        next.push_back(loaded);
      }
    }
    pending = std::move(next);
  }
  return companions;
}

}  // namespace tolvaran
