// A Host whose files live in memory, so that a fuzz target touches no disk
// for an input. Paths are Windows paths mapped as on POSIX and compared
// without regard to case, as Windows compares them.
#ifndef TOLVARAN_FUZZ_MEMORY_HOST_H_
#define TOLVARAN_FUZZ_MEMORY_HOST_H_

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "platform/host.h"

namespace tolvaran_fuzz {

class MemoryHost : public tolvaran::Host {
 public:
  // Files that are not in `files` but that this function makes up: it gets
  // the path as the program gave it and fills the contents, or says no.
  using MadeUpFile = std::function<bool(const std::string& path, std::string* bytes)>;

  static std::string Key(const std::string& path) {
    std::string key = tolvaran::MapWindowsPath(path, "");
    for (char& c : key) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return key;
  }

  void Put(const std::string& path, std::string bytes) { files[Key(path)] = std::move(bytes); }
  bool Has(const std::string& path) const { return files.count(Key(path)) != 0; }

  void WriteOut(std::string_view bytes) override {
    // Only the start is kept: a listing over many systems may write a lot.
    if (out.size() < kOutKept) out.append(bytes.substr(0, kOutKept - out.size()));
    out_size += bytes.size();
  }

  bool ReadFile(const std::string& path, std::string* bytes) override {
    bytes->clear();
    auto found = files.find(Key(path));
    if (found != files.end()) {
      *bytes = found->second;
      return true;
    }
    return made_up && made_up(path, bytes);
  }

  bool ReplaceFile(const std::string& path, std::string_view bytes) override {
    files[Key(path)] = std::string(bytes);
    return true;
  }

  bool RemoveFile(const std::string& path) override { return files.erase(Key(path)) != 0; }
  std::string FindIgnoringCase(const std::string& path) override { return path; }

  std::unique_ptr<tolvaran::FileLock> Lock(const std::string&, int) override {
    return std::make_unique<tolvaran::FileLock>();
  }

  std::string TimeOfDay() override { return "12:34:56"; }
  std::string ExecutablePath() override { return "/fuzz/tolvaran"; }
  std::string NativePath(const std::string& path) override {
    return tolvaran::MapWindowsPath(path, "");
  }
  std::string InvokedProgramPath(const std::string& argv0) override { return argv0; }

  static constexpr std::size_t kOutKept = 1 << 16;
  std::map<std::string, std::string> files;
  MadeUpFile made_up;
  std::string out;
  std::size_t out_size = 0;
};

}  // namespace tolvaran_fuzz

#endif  // TOLVARAN_FUZZ_MEMORY_HOST_H_
