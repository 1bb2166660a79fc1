#include "profile_tool_common.h"

#include <algorithm>
#include <filesystem>

#include "platform/host.h"
#include "profile/password.h"
#include "profile/protected_password.h"
#include "profile/system_profile.h"

namespace tolvaran {

std::string Characters(std::size_t n) {
  return std::to_string(n) + (n == 1 ? " character" : " characters");
}

std::string PasswordFault(const std::string& password, std::size_t least) {
  if (password.empty()) return "the password is empty";
  if (!IsPrintableText(password)) {
    return "the password holds a character other than printable ASCII (blank to tilde)";
  }
  if (password.size() < least) {
    return "the password is too short: " + Characters(password.size()) + ", at least " +
           std::to_string(least);
  }
  if (password.size() > kMaxPasswordLength) {
    return "the password is too long: " + Characters(password.size()) + ", at most " +
           std::to_string(kMaxPasswordLength);
  }
  return "";
}

bool ReadPassword(ProfileToolIo& io, std::size_t least, std::string* password) {
  if (!io.readPasswordLine || !io.readPasswordLine(password)) {
    *io.err << kTool << ": no password on standard input\n";
    return false;
  }
  if (!password->empty() && password->back() == '\r') password->pop_back();
  std::string fault = PasswordFault(*password, least);
  if (!fault.empty()) {
    *io.err << kTool << ": " << fault << "\n";
    return false;
  }
  return true;
}

int Misuse(ProfileToolIo& io, const std::string& message, const std::string& usage) {
  *io.err << kTool << ": " << message << "\n\n" << usage;
  return kRefused;
}

bool WantsHelp(const std::vector<std::string>& args) {
  return std::find(args.begin() + 1, args.end(), "--help") != args.end();
}

bool ReadWholeFile(const std::string& path, std::string* bytes) {
  return MakeRealHost()->ReadFile(path, bytes);
}

std::string FileNameOf(const std::string& path) {
  return std::filesystem::path(path).filename().string();
}

bool ParseScope(std::string_view text, ProtectionScope* scope) {
  ProtectionScope parsed;
  if (text == "machine") {
    parsed = ProtectionScope::kMachine;
  } else if (text == "user") {
    parsed = ProtectionScope::kUser;
  } else {
    return false;
  }
  if (scope) *scope = parsed;
  return true;
}

bool StoredPasswordFor(const std::string& password, const std::string& scope,
                       const std::string& profileName, std::mt19937& rng, std::string* stored,
                       std::string* reason) {
  if (scope.empty()) {
    if (ScramblePasswordRandomly(BuildKeyTable(), password, rng, stored)) return true;
    *reason = "it cannot be scrambled";
    return false;
  }
  ProtectionScope parsed;
  if (!ParseScope(scope, &parsed)) {
    *reason = "the scope is neither machine nor user";
    return false;
  }
  return ProtectPassword(password, parsed, profileName, stored, reason);
}

std::string ReadAsSingleRun(SystemProfile& profile, const std::string& path, std::string bytes) {
  std::string fault =
      ReadProfileChecked(BuildKeyTable(), FileNameOf(path), std::move(bytes), &profile);
  return fault.empty() ? "OK" : fault;
}

}  // namespace tolvaran
