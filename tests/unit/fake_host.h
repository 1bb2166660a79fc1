// A Host for tests: standard output is collected in `out`; there are no
// files, no locks, and the clock stands still.
#ifndef TOLVARAN_TESTS_UNIT_FAKE_HOST_H_
#define TOLVARAN_TESTS_UNIT_FAKE_HOST_H_

#include <memory>
#include <string>
#include <string_view>

#include "platform/host.h"

namespace tolvaran {

class FakeHost : public Host {
 public:
  std::string out;

  void WriteOut(std::string_view bytes) override { out.append(bytes); }
  bool ReadFile(const std::string&, std::string*) override { return false; }
  bool ReplaceFile(const std::string&, std::string_view) override { return false; }
  bool RemoveFile(const std::string&) override { return false; }
  std::string FindIgnoringCase(const std::string& path) override { return path; }
  std::unique_ptr<FileLock> Lock(const std::string&, int) override { return nullptr; }
  std::string TimeOfDay() override { return "12:34:56"; }
  std::string ExecutablePath() override { return "tolvaran"; }
  std::string NativePath(const std::string& path) override { return path; }
};

}  // namespace tolvaran

#endif  // TOLVARAN_TESTS_UNIT_FAKE_HOST_H_
