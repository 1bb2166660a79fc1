// The profile tool run in-process on a scratch folder of its own, with
// its streams and password lines the test's.
#ifndef TOLVARAN_TESTS_SUPPORT_PROFILE_TOOL_FIXTURE_H_
#define TOLVARAN_TESTS_SUPPORT_PROFILE_TOOL_FIXTURE_H_

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "profile/password.h"
#include "profile/system_profile.h"
#include "tools/profile_tool.h"

namespace tolvaran {

namespace fs = std::filesystem;

using Args = std::vector<std::string>;

inline std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

inline void Spill(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

class ProfileToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("tolvaran-profile-test-" + std::to_string(std::random_device()()));
    fs::create_directories(dir_);
    io_.out = &out_;
    io_.err = &err_;
    io_.rng = &rng_;
    io_.readPasswordLine = [this](std::string* line) {
      ++passwordReads_;
      if (input_.empty()) return false;
      *line = input_.front();
      input_.pop_front();
      return true;
    };
  }
  void TearDown() override { fs::remove_all(dir_); }

  int Run(const Args& args) {
    out_.str("");
    err_.str("");
    return RunProfileTool(args, io_);
  }

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

  // A `new` command line that the tool accepts, for the file `name`.
  Args NewArgs(const std::string& name) const {
    return {"new",        Path(name), "--destination",    "PRD",
            "--client",   "100",      "--user",           "sapmon",
            "--language", "E",        "--password-stdin", "--mode",
            "R/3",        "--host",   "sapprd01",         "--sysnr",
            "00"};
  }

  // The tool's arguments with one option changed or added.
  static Args With(Args args, const std::string& option, const std::string& value) {
    for (std::size_t i = 0; i + 1 < args.size(); ++i) {
      if (args[i] == option) {
        args[i + 1] = value;
        return args;
      }
    }
    args.push_back(option);
    args.push_back(value);
    return args;
  }

  static Args Without(Args args, const std::string& option) {
    for (std::size_t i = 0; i < args.size(); ++i) {
      if (args[i] == option) {
        bool flag = option == "--password-stdin" || option == "--force";
        args.erase(args.begin() + static_cast<std::ptrdiff_t>(i),
                   args.begin() + static_cast<std::ptrdiff_t>(i + (flag ? 1 : 2)));
        break;
      }
    }
    return args;
  }

  // Reads a profile file as the single run does.
  SystemProfile ReadBack(const std::string& name, std::string* result) {
    SystemProfile profile;
    *result = ReadProfileChecked(BuildKeyTable(), name, Slurp(dir_ / name), &profile);
    return profile;
  }

  fs::path dir_;
  std::ostringstream out_;
  std::ostringstream err_;
  std::mt19937 rng_{12345};
  std::deque<std::string> input_;
  int passwordReads_ = 0;
  ProfileToolIo io_;
};

}  // namespace tolvaran

#endif  // TOLVARAN_TESTS_SUPPORT_PROFILE_TOOL_FIXTURE_H_
