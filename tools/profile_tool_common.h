// What the commands of tolvaran-profile share: exit statuses, messages,
// the password line, and reading a profile as the program does.
#ifndef TOLVARAN_TOOLS_PROFILE_TOOL_COMMON_H_
#define TOLVARAN_TOOLS_PROFILE_TOOL_COMMON_H_

#include <cstddef>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "platform/protected_data.h"
#include "profile/system_profile.h"
#include "profile_tool.h"

namespace tolvaran {

constexpr int kDone = 0;
constexpr int kRefused = 2;

constexpr char kTool[] = "tolvaran-profile";

// A profile password must have two characters for the program to accept
// it, though one can be scrambled.
constexpr std::size_t kLeastPasswordLength = 2;

// "1 character", "2 characters".
std::string Characters(std::size_t n);

// Why a password cannot be stored, "" when it can.
std::string PasswordFault(const std::string& password, std::size_t least);

// Reads the password line; on a fault writes the message and gives false.
bool ReadPassword(ProfileToolIo& io, std::size_t least, std::string* password);

// Writes `message` and the command's usage; gives kRefused.
int Misuse(ProfileToolIo& io, const std::string& message, const std::string& usage);

// True when "--help" follows the command.
bool WantsHelp(const std::vector<std::string>& args);

// Reads a file as the program reads a profile: a regular file only (a
// FIFO is never waited for), at most the program's bound.
bool ReadWholeFile(const std::string& path, std::string* bytes);

// Runs the single run's reader over `bytes` under the profile name of
// `path` (its file name); `rs` keeps what was read. "OK" or the message.
std::string ReadAsSingleRun(SystemProfile& profile, const std::string& path, std::string bytes);

// The file name of `path`, the profile's name for the program.
std::string FileNameOf(const std::string& path);

// "machine" or "user", the scopes of --protect and --scope; `scope` may be
// null when only the text is checked.
bool ParseScope(std::string_view text, ProtectionScope* scope);

// The stored form of `password` for the profile `profileName`: scrambled
// with a random key offset and filler when `scope` is empty, else protected
// by the system with that scope ("machine" or "user"). False with `reason`.
bool StoredPasswordFor(const std::string& password, const std::string& scope,
                       const std::string& profileName, std::mt19937& rng, std::string* stored,
                       std::string* reason);

// The commands besides scramble and check.
int NewCommand(const std::vector<std::string>& args, ProfileToolIo& io);
int ProtectCommand(const std::vector<std::string>& args, ProfileToolIo& io);

}  // namespace tolvaran

#endif  // TOLVARAN_TOOLS_PROFILE_TOOL_COMMON_H_
