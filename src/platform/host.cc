#include "platform/host.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

namespace tolvaran {

namespace {

// The whole file as its one piece, for hosts that only read files whole.
class WholeFileReader : public FileReader {
 public:
  explicit WholeFileReader(std::string bytes) : bytes_(std::move(bytes)) {}
  bool Read(std::string* chunk) override {
    if (done_) return false;
    done_ = true;
    *chunk = std::move(bytes_);
    return true;
  }

 private:
  std::string bytes_;
  bool done_ = false;
};

}  // namespace

std::unique_ptr<FileReader> Host::OpenReader(const std::string& path) {
  std::string bytes;
  if (!ReadFile(path, &bytes)) return nullptr;
  return std::make_unique<WholeFileReader>(std::move(bytes));
}

bool Host::IsRegularFile(const std::string& path) {
  std::string bytes;
  return ReadFile(path, &bytes);
}

bool Host::CopyFile(const std::string& from, const std::string& to, std::size_t max_bytes) {
  std::string bytes;
  return ReadFile(from, &bytes) && bytes.size() <= max_bytes && ReplaceFile(to, bytes);
}

bool IsOwnTemporaryName(std::string_view name, std::string_view target_name) {
  if (name.size() <= target_name.size() + 4 || name.substr(0, target_name.size()) != target_name ||
      name.substr(target_name.size(), 4) != ".tmp") {
    return false;
  }
  std::string_view tail = name.substr(target_name.size() + 4);
  if (tail.size() > 32) return false;
  for (char c : tail) {
    bool alnum = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (!alnum) return false;
  }
  return true;
}

void ExitProcessNow(int status) {
  // A report the reader never got whole ends as any unwritten output does.
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) status = 2;
  std::_Exit(status);
}

}  // namespace tolvaran
