// `protect`: a profile's scrambled password replaced by one the system
// protects, in place.
#include <memory>
#include <string>
#include <vector>

#include "platform/private_file.h"
#include "profile/protected_password.h"
#include "profile_check.h"
#include "profile_tool_common.h"
#include "text/secret_wipe.h"

namespace tolvaran {

namespace {

const char kProtectUsage[] =
    "Usage: tolvaran-profile protect FILE --scope machine|user\n"
    "\n"
    "Replaces the password of the profile FILE (FILE.P00 when FILE has no\n"
    "three-character extension) by the same password encrypted by Windows'\n"
    "data protection (DPAPI), stored as \"Password...: DPAPI:\" and base64.\n"
    "Scope machine: any account of this machine can decrypt it, no other\n"
    "machine. Scope user: only the account that runs this command, so run it\n"
    "as the account that runs tolvaran. FILE must check OK first; every other\n"
    "line stays as it is. The file is replaced atomically, never in place, and\n"
    "is readable by its owner only. A protected password can be protected\n"
    "again with another scope. Windows only.\n"
    "\n"
    "Output: \"Protected FILE (scope SCOPE, check: OK)\".\n"
    "Exit status: 0 protected, 2 refused or failed.\n";

constexpr char kPasswordKey[] = "Password...:";

// `text` with its first "Password...:" line replaced by `line` and every
// later one dropped, since a later one would set the password again. Line
// ends stay as they were.
std::string WithPasswordLine(const std::string& text, const std::string& line) {
  std::string out;
  bool replaced = false;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    std::size_t next = end == std::string::npos ? text.size() : end + 1;
    std::string current = text.substr(pos, next - pos);
    pos = next;
    if (current.compare(0, sizeof kPasswordKey - 1, kPasswordKey) != 0) {
      out += current;
      continue;
    }
    if (replaced) continue;
    replaced = true;
    std::size_t body = current.find_first_of("\r\n");
    out += line + (body == std::string::npos ? std::string("\n") : current.substr(body));
  }
  return out;
}

int Protect(const std::vector<std::string>& args, ProfileToolIo& io) {
  std::string file;
  std::string scope;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--scope" && i + 1 < args.size() && scope.empty()) {
      scope = args[++i];
    } else if (arg.compare(0, 8, "--scope=") == 0 && scope.empty()) {
      scope = arg.substr(8);
    } else if (arg.size() > 1 && arg[0] == '-') {
      return Misuse(
          io,
          arg == "--scope" ? "--scope needs a value or is given twice" : "unknown option " + arg,
          kProtectUsage);
    } else if (file.empty()) {
      file = arg;
    } else {
      return Misuse(io, "unexpected argument \"" + arg + "\"", kProtectUsage);
    }
  }
  if (file.empty()) return Misuse(io, "protect needs a FILE", kProtectUsage);
  if (scope.empty()) return Misuse(io, "--scope machine|user is required", kProtectUsage);
  if (!ParseScope(scope, nullptr)) {
    return Misuse(io, "--scope: \"" + scope + "\" is neither machine nor user", kProtectUsage);
  }
  const std::string path = WithProfileExtension(file);
  auto refuse = [&io, &path](const std::string& why) {
    *io.err << kTool << " protect: " << path << ": " << why << "\n";
    return kRefused;
  };

  std::string bytes;
  if (!ReadWholeFile(path, &bytes)) return refuse("it cannot be read");
  SystemProfile profile;
  std::string result = ReadAsSingleRun(profile, path, bytes);
  if (result != "OK") return refuse("it does not check: " + result);
  std::string password = profile.password.str();
  WipeSecret(&profile.password);

  std::string stored;
  std::string reason;
  if (!StoredPasswordFor(password, scope, FileNameOf(path), *io.rng, &stored, &reason)) {
    WipeSecret(&password);
    return refuse("the password cannot be protected: " + reason);
  }
  PrivateWrite written = WritePrivateFile(
      path, WithPasswordLine(bytes, std::string(kPasswordKey) + " " + stored), true, &reason);
  if (written != PrivateWrite::kWritten) {
    WipeSecret(&password);
    return refuse(reason.empty() ? "it cannot be replaced" : reason);
  }

  // What was written must read back with the same password.
  SystemProfile back;
  result = ReadWholeFile(path, &bytes) ? ReadAsSingleRun(back, path, std::move(bytes))
                                       : "the file cannot be read back";
  if (result == "OK" && back.password != password) result = "the password reads back wrong";
  WipeSecret(&password);
  if (result != "OK") return refuse("it was written but does not read back: " + result);
  *io.out << "Protected " << path << " (scope " << scope << ", check: OK)\n";
  return kDone;
}

}  // namespace

int ProtectCommand(const std::vector<std::string>& args, ProfileToolIo& io) {
  if (WantsHelp(args)) {
    *io.out << kProtectUsage;
    return kDone;
  }
  return Protect(args, io);
}

}  // namespace tolvaran
