// A real host confined to a scratch directory: drive-rooted paths resolve
// below it, relative paths are relative to it (the test changes into it),
// standard output is captured and the time of day is fixed.
#ifndef TOLVARAN_TESTS_SUPPORT_SCRATCH_HOST_H_
#define TOLVARAN_TESTS_SUPPORT_SCRATCH_HOST_H_

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "driver/invocation.h"
#include "platform/host.h"

namespace tolvaran {

class ScratchHost : public Host {
 public:
  explicit ScratchHost(const std::string& root) : real_(MakeRealHost(root)) {}

  void WriteOut(std::string_view bytes) override { out.append(bytes); }
  bool ReadFile(const std::string& path, std::string* bytes) override {
    if (denied.count(path)) return false;
    return real_->ReadFile(path, bytes);
  }
  std::string ReadFailure(const std::string& path) override {
    if (denied.count(path)) return "permission denied";
    return real_->ReadFailure(path);
  }
  bool ReplaceFile(const std::string& path, std::string_view bytes) override {
    return real_->ReplaceFile(path, bytes);
  }
  bool PublishFile(const std::string& path, std::string_view bytes) override {
    return real_->PublishFile(path, bytes);
  }
  std::unique_ptr<FileReader> OpenReader(const std::string& path) override {
    return real_->OpenReader(path);
  }
  bool IsRegularFile(const std::string& path) override { return real_->IsRegularFile(path); }
  bool CopyFile(const std::string& from, const std::string& to, std::size_t max_bytes) override {
    return real_->CopyFile(from, to, max_bytes);
  }
  void RemoveStaleTemporaries(const std::string& path) override {
    real_->RemoveStaleTemporaries(path);
  }
  bool RemoveFile(const std::string& path) override { return real_->RemoveFile(path); }
  std::string FindIgnoringCase(const std::string& path) override {
    return real_->FindIgnoringCase(path);
  }
  std::unique_ptr<FileLock> Lock(const std::string& path, int timeout_seconds) override {
    return real_->Lock(path, timeout_seconds);
  }
  std::string TimeOfDay() override { return "14:03:59"; }
  std::string ExecutablePath() override { return real_->ExecutablePath(); }
  std::string NativePath(const std::string& path) override { return real_->NativePath(path); }
  bool AdminOnlyFolder(const std::string& dir, std::string* why) override {
    return real_->AdminOnlyFolder(dir, why);
  }
  std::string InvokedProgramPath(const std::string& argv0) override { return argv0; }

  std::string out;
  // Files there that this host cannot open, as for an account without the
  // right to read them (the tests may run as root, who can read any file).
  std::set<std::string> denied;

 private:
  std::unique_ptr<Host> real_;
};

// A fresh scratch directory that the test runs in; removed afterwards.
class ScratchDirTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = std::filesystem::temp_directory_path() /
           ("tolvaran-" + std::string(info->test_suite_name()) + "-" + info->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_ / "cwd");
    old_cwd_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_ / "cwd");
    host_ = std::make_unique<ScratchHost>(dir_.string());
  }
  void TearDown() override {
    std::filesystem::current_path(old_cwd_);
    if (!HasFailure()) std::filesystem::remove_all(dir_);
  }

  // Writes a file by its path below the scratch root ("/X/Y") or relative
  // to the current directory ("Y").
  void Write(const std::string& path, const std::string& bytes) {
    std::filesystem::path p = path[0] == '/' ? dir_ / path.substr(1) : dir_ / "cwd" / path;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
  }

  std::filesystem::path dir_;
  std::filesystem::path old_cwd_;
  std::unique_ptr<ScratchHost> host_;
};

// Runs driver steps in the scratch directory.
class DriverStepsTest : public ScratchDirTest {
 protected:
  // Calls `steps` with the command line `program` and `args`; returns the
  // status of an error exit (its output in output_), or -1 when the steps
  // went through.
  template <typename Steps>
  int RunSteps(std::vector<std::string> args, Steps steps,
               const std::string& program = "tolvaran") {
    args.insert(args.begin(), program);
    output_.clear();
    try {
      steps(args);
    } catch (const RunEnd& end) {
      output_ = end.output;
      return end.status;
    }
    return -1;
  }

  // The message of the error document an error exit wrote.
  std::string ErrorText() const {
    std::size_t from = output_.find("<Text>") + 6;
    return output_.substr(from, output_.find("</Text>") - from);
  }

  std::string output_;
};

}  // namespace tolvaran

#endif  // TOLVARAN_TESTS_SUPPORT_SCRATCH_HOST_H_
