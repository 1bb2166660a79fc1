// A Host for tests, fuzz targets and benchmarks that touches no disk:
// standard output is collected in `out`, files live in memory, locks are
// always had, and the clock stands still.
//
// Paths are Windows paths mapped as on POSIX and compared without regard to
// case, as Windows compares them. With no files put in, every read fails,
// which is what most tests want.
#ifndef TOLVARAN_TESTS_SUPPORT_FAKE_HOST_H_
#define TOLVARAN_TESTS_SUPPORT_FAKE_HOST_H_

#include <cstddef>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "platform/host.h"

namespace tolvaran {

class FakeHost : public Host {
 public:
  // Files that are not in `files` but that this function makes up: it gets
  // the path as the program gave it and fills the contents, or says no.
  using MadeUpFile = std::function<bool(const std::string& path, std::string* bytes)>;

  static std::string Key(const std::string& path) {
    std::string key = MapWindowsPath(path, "");
    for (char& c : key) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return key;
  }

  void Put(const std::string& path, std::string bytes) { files[Key(path)] = std::move(bytes); }
  bool Has(const std::string& path) const { return files.count(Key(path)) != 0; }
  std::string Get(const std::string& path) const {
    auto found = files.find(Key(path));
    return found == files.end() ? std::string() : found->second;
  }

  void WriteOut(std::string_view bytes) override {
    // Only the start is kept when a limit is set: a fuzzed listing over many
    // systems may write a lot.
    if (out.size() < out_kept) out.append(bytes.substr(0, out_kept - out.size()));
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
    if (!writable) return false;
    files[Key(path)] = std::string(bytes);
    return true;
  }

  bool RemoveFile(const std::string& path) override { return files.erase(Key(path)) != 0; }
  std::string FindIgnoringCase(const std::string& path) override { return path; }

  // A held lock shows as `lock_held`, so that a test can see what happens
  // under it.
  std::unique_ptr<FileLock> Lock(const std::string&, int) override {
    if (!lockable) return nullptr;
    return std::make_unique<HeldLock>(&lock_held);
  }

  std::string TimeOfDay() override { return time_of_day; }
  std::string ExecutablePath() override { return "/fake/tolvaran"; }
  std::string NativePath(const std::string& path) override { return MapWindowsPath(path, ""); }

  std::map<std::string, std::string> files;  // by Key()
  MadeUpFile made_up;
  bool writable = true;  // ReplaceFile succeeds
  bool lockable = true;  // Lock is had
  bool lock_held = false;
  std::string time_of_day = "12:34:56";
  std::string out;
  std::size_t out_size = 0;
  std::size_t out_kept = std::numeric_limits<std::size_t>::max();

 private:
  class HeldLock : public FileLock {
   public:
    explicit HeldLock(bool* held) : held_(held) { *held_ = true; }
    ~HeldLock() override { *held_ = false; }

   private:
    bool* held_;
  };
};

}  // namespace tolvaran

#endif  // TOLVARAN_TESTS_SUPPORT_FAKE_HOST_H_
