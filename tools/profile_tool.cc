#include "profile_tool.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <system_error>

#include "platform/build_arch.h"
#include "platform/host.h"
#include "platform/private_file.h"
#include "profile/password.h"
#include "profile/system_profile.h"
#include "profile_check.h"
#include "profile_tool_common.h"
#include "rfc/backend.h"
#include "tolvaran_version.h"

namespace tolvaran {

namespace {

const char kUsage[] =
    "Usage: tolvaran-profile COMMAND [ARGUMENTS]\n"
    "\n"
    "Writes and checks the system profiles that tolvaran reads.\n"
    "\n"
    "Commands:\n"
    "  scramble     read a password from standard input, print its stored form\n"
    "  new FILE     write a complete system profile to FILE\n"
    "  protect FILE encrypt FILE's password with Windows' data protection (DPAPI)\n"
    "  check FILE   read FILE as tolvaran does; print OK or tolvaran's error\n"
    "\n"
    "\"tolvaran-profile COMMAND --help\" describes a command;\n"
    "\"tolvaran-profile --version\" names the release it belongs to.\n"
    "Exit status: 0 done, 2 refused or failed.\n";

const char kScrambleUsage[] =
    "Usage: tolvaran-profile scramble\n"
    "\n"
    "Reads one password line from standard input (without echo at a terminal)\n"
    "and prints its stored form for a profile's \"Password...:\" line: 24\n"
    "characters and a line end. The password has 1 to 20 printable ASCII\n"
    "characters (blank to tilde); tolvaran itself wants at least 2. Each call\n"
    "chooses a new random key offset and filler, so the same password gives a\n"
    "different stored form every time.\n"
    "\n"
    "Exit status: 0 printed, 2 refused.\n";

const char kCheckUsage[] =
    "Usage: tolvaran-profile check FILE\n"
    "\n"
    "Reads FILE with tolvaran's own profile reader and checks it as a\n"
    "single-system run does, with the file name (without directory) as the\n"
    "profile name; as tolvaran does, .P00 is added to a name without a\n"
    "three-character extension (check SYS1 reads SYS1.P00). Prints OK, or\n"
    "tolvaran's error message, for example\n"
    "  Error 1006: Username in Profile SYS1.P00 is missing...\n"
    "For errors 1003 to 1005 and 1008 further indented lines give the reason, e.g.\n"
    "  Error 1003: Invalid Parameter(s) at SYS1.P00 found...\n"
    "    Client.....: 2 characters, at least 3\n"
    "A file that is there but cannot be read gives, with the reason,\n"
    "  Error 1031: Profile FILE cannot be read: permission denied\n"
    "A file that is not there gives \"Error 1002: Profile FILE is missing...\"\n"
    "with FILE as read; so does a file name of more than 63 characters\n"
    "(.P00 included), which tolvaran cannot open, with the name cut to 63.\n"
    "Further indented lines point at lines that look like a key but are not\n"
    "read as one, e.g.\n"
    "  line 4: \"Client....:\" is not read as \"Client.....:\" (one dot too few)\n"
    "(another letter case, no colon, no blank before the value), and at a file\n"
    "saved as UTF-16: \"the file is saved as Unicode; save as ANSI or UTF-8\".\n"
    "Values are never printed; such notes after OK leave the status 0.\n"
    "\n"
    "Exit status: 0 OK, 2 error.\n";

int Scramble(const std::vector<std::string>& args, ProfileToolIo& io) {
  if (WantsHelp(args)) {
    *io.out << kScrambleUsage;
    return kDone;
  }
  if (args.size() > 1) {
    return Misuse(
        io,
        (args[1].size() > 1 && args[1][0] == '-' ? "unknown option " + args[1]
                                                 : "unexpected argument \"" + args[1] + "\""),
        kScrambleUsage);
  }
  std::string password;
  if (!ReadPassword(io, 1, &password)) return kRefused;
  std::string stored;
  if (!ScramblePasswordRandomly(BuildKeyTable(), password, *io.rng, &stored)) {
    *io.err << kTool << ": the password cannot be stored\n";
    return kRefused;
  }
  *io.out << stored << "\n";
  if (password.size() < kLeastPasswordLength) {
    *io.err << kTool << ": note: tolvaran wants a password of at least " << kLeastPasswordLength
            << " characters\n";
  }
  if (!IsPrintableText(stored)) {
    *io.err << kTool
            << ": note: no key offset keeps this password's stored form printable; it holds "
               "the character DEL (0x7F)\n";
  }
  return kDone;
}

// Read as the program reads a profile: a regular file only (a FIFO is
int Check(const std::vector<std::string>& args, ProfileToolIo& io) {
  if (WantsHelp(args)) {
    *io.out << kCheckUsage;
    return kDone;
  }
  if (args.size() < 2) return Misuse(io, "check needs a FILE", kCheckUsage);
  if (args[1].size() > 1 && args[1][0] == '-') {
    return Misuse(io, "unknown option " + args[1], kCheckUsage);
  }
  if (args.size() > 2) return Misuse(io, "unexpected argument \"" + args[2] + "\"", kCheckUsage);
  std::string result = CheckProfileFile(args[1]);
  *io.out << result << "\n";
  // Notes on lines the program passes over do not make a usable profile
  // fail.
  return result.compare(0, result.find('\n'), "OK") == 0 ? kDone : kRefused;
}

}  // namespace

std::string CheckProfileFile(const std::string& given) {
  const std::string path = WithProfileExtension(given);
  ProfileNameFault nameFault = CheckProfileName(path);
  if (!nameFault.message.empty()) return nameFault.message + "\n  " + nameFault.reason;
  std::string bytes;
  if (!ReadWholeFile(path, &bytes)) {
    std::string why = MakeRealHost()->ReadFailure(path);
    if (!why.empty()) return ProfileUnreadableText(path, why);
    return "Error 1002: Profile " + path + " is missing...";
  }
  SystemProfile profile;
  std::string result = ReadAsSingleRun(profile, path, bytes);
  for (const std::string& reason : ExplainProfileFault(profile, bytes, result)) {
    result += "\n  " + reason;
  }
  // A sound record that no run from here can open: the run's own error.
  if (result == "OK" &&
      SncRefusedForR2(profile.mode.str(), profile.sncMode.str(), profile.destination.str())) {
    result = OpenFailureText(profile.destination.view()) + " - " + kSncNeedsServer +
             "\n  Snc-Mode...: 1 with Mode.......: R/2; connect through a "
             "SapRfc.<destination> file, or leave SNC out";
  }
  for (const std::string& line : NearMissLines(bytes)) result += "\n  " + line;
  return result;
}

int RunProfileTool(const std::vector<std::string>& args, ProfileToolIo& io) {
  if (args.empty()) return Misuse(io, "a command is needed", kUsage);
  const std::string& command = args[0];
  if (command == "--help" || command == "-h" || command == "help") {
    *io.out << kUsage;
    return kDone;
  }
  if (command == "--version") {
    *io.out << "Tolvaran-Profile " << kVersionText << " " << kBuildArch << "\n";
    return kDone;
  }
  if (command == "scramble") return Scramble(args, io);
  if (command == "new") return NewCommand(args, io);
  if (command == "protect") return ProtectCommand(args, io);
  if (command == "check") return Check(args, io);
  return Misuse(io, "unknown command \"" + command + "\"", kUsage);
}

}  // namespace tolvaran
