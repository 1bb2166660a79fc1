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

#include "driver/password.h"
#include "driver/run_state.h"
#include "driver/system_profile.h"
#include "platform/host.h"
#include "platform/private_file.h"
#include "profile_check.h"

namespace tolvaran {

namespace {

constexpr int kDone = 0;
constexpr int kRefused = 2;

constexpr char kTool[] = "tolvaran-profile";

// A profile password must have two characters for the program to accept
// it, though one can be scrambled.
constexpr std::size_t kLeastPasswordLength = 2;

const char kUsage[] =
    "Usage: tolvaran-profile COMMAND [ARGUMENTS]\n"
    "\n"
    "Writes and checks the system profiles that tolvaran reads.\n"
    "\n"
    "Commands:\n"
    "  scramble     read a password from standard input, print its stored form\n"
    "  new FILE     write a complete system profile to FILE\n"
    "  check FILE   read FILE as tolvaran does; print OK or tolvaran's error\n"
    "\n"
    "\"tolvaran-profile COMMAND --help\" describes a command.\n"
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
    "For errors 1003 to 1005 further indented lines give the reason, e.g.\n"
    "  Error 1003: Invalid Parameter(s) at SYS1.P00 found...\n"
    "    Client.....: 2 characters, at least 3\n"
    "A file that cannot be read gives \"Error 1002: Profile FILE is missing...\"\n"
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

const char kDefaultCompany[] = "Tolvaran";
const char kGatewayMode[] = "R/2";

// The options of `new` that carry a value, in the order of the profile's
// lines, with the key each one writes.
struct ValueOption {
  const char* name;
  const char* key;
  const char* argument;
  const char* meaning;
  const char* note;  // after the lengths in the help
};

const ValueOption kValueOptions[] = {
    {"company", "Extcompany.:", "TEXT", "owner's text, not used otherwise", ""},
    {"destination", "Destination:", "NAME", "destination, the system id", ""},
    {"client", "Client.....:", "NNN", "SAP client to log on to", ""},
    {"user", "User.......:", "NAME", "logon user", "; read upper-cased"},
    {"language", "Language...:", "L", "logon language", ""},
    {"mode", "Mode.......:", "MODE", "connection mode", "; R/2 or e.g. R/3"},
    {"host", "Hostname...:", "HOST", "application server host", ""},
    {"sysnr", "Sysnr......:", "NN", "system number", ""},
    {"gwhost", "Gwhost.....:", "HOST", "gateway host", ""},
    {"gwservice", "Gwservice..:", "SERVICE", "gateway service", ""},
};

const ProfileFieldRule& RuleOf(std::string_view key) {
  const auto& rules = ProfileFieldRules();
  return *std::find_if(rules.begin(), rules.end(),
                       [key](const ProfileFieldRule& r) { return r.key == key; });
}

// The most characters a value can have: what its line carries and its
// field holds.
std::size_t MostOf(const ProfileFieldRule& rule) {
  return std::min(rule.capacity, kProfileValueMax);
}

std::string Range(std::string_view key) {
  const ProfileFieldRule& rule = RuleOf(key);
  return std::to_string(rule.leastLength) + " to " + std::to_string(MostOf(rule));
}

std::string NewUsage() {
  std::ostringstream text;
  text << "Usage: tolvaran-profile new FILE --destination NAME --client NNN --user NAME\n"
          "         --password-stdin --language L --mode MODE\n"
          "         (--host HOST --sysnr NN | --gwhost HOST --gwservice SERVICE)\n"
          "         [--host HOST] [--sysnr NN] [--gwhost HOST] [--gwservice SERVICE]\n"
          "         [--company TEXT] [--force]\n"
          "\n"
          "Writes a complete system profile to FILE (FILE.P00 when FILE has no\n"
          "three-character extension, the name tolvaran FILE opens), readable by\n"
          "its owner only, then reads it back as tolvaran does. A file name of\n"
          "more than 63 characters (.P00 included) is refused: tolvaran cannot\n"
          "open it. The password is read from standard input (without echo at a\n"
          "terminal) and stored scrambled. --force replaces FILE atomically,\n"
          "never in place.\n"
          "\n";
  auto line = [&text](const std::string& option, const std::string& what) {
    text << "  " << option << std::string(option.size() < 21 ? 21 - option.size() : 1, ' ') << what
         << "\n";
  };
  for (const ValueOption& o : kValueOptions) {
    if (std::string_view(o.name) == "company") continue;
    line(std::string("--") + o.name + " " + o.argument,
         std::string(o.meaning) + ", " + Range(o.key) + " characters" + o.note);
    if (std::string_view(o.name) == "user") {
      line("--password-stdin", "read the logon password from standard input's first");
      line("", "line: " + std::to_string(kLeastPasswordLength) + " to " +
                   std::to_string(kMaxPasswordLength) + " printable ASCII characters");
    }
  }
  line("--company TEXT", "owner's text, " + Range("Extcompany.:") + " characters, not used");
  line("", std::string("otherwise; default \"") + kDefaultCompany + "\"");
  line("--force", "replace FILE if it exists (otherwise refused)");
  text << "\n"
          "Every key is written, since tolvaran checks all of them. With mode exactly\n"
          "R/2 (through the gateway), --gwhost and --gwservice are required, --host\n"
          "defaults to the gateway host and --sysnr to 00. With any other mode (such\n"
          "as R/3), --host and --sysnr are required, --gwhost defaults to the host\n"
          "and --gwservice to sapgw followed by the system number.\n"
          "A value follows its option as the next argument or after \"=\"\n"
          "(--client=100); it holds no control characters and is counted in bytes.\n"
          "\n"
          "Output: \"Wrote FILE (check: OK)\".\n"
          "Exit status: 0 written, 2 refused or failed.\n";
  return text.str();
}

std::string Characters(std::size_t n) {
  return std::to_string(n) + (n == 1 ? " character" : " characters");
}

bool IsControl(char c) {
  auto u = static_cast<unsigned char>(c);
  return u < 0x20 || u == 0x7F;
}

// Why the value of an option cannot go into its line, "" when it can.
std::string ValueFault(std::string_view key, const std::string& value) {
  const ProfileFieldRule& rule = RuleOf(key);
  if (std::any_of(value.begin(), value.end(), IsControl)) {
    return "holds a control character (a line end, tab or the like)";
  }
  if (value.size() < rule.leastLength) {
    return "too short: " + Characters(value.size()) + ", at least " +
           std::to_string(rule.leastLength);
  }
  if (value.size() > MostOf(rule)) {
    return "too long: " + Characters(value.size()) + ", at most " + std::to_string(MostOf(rule));
  }
  return "";
}

// Why a password cannot be stored, "" when it can.
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

// Reads the password line; on a fault writes the message and gives false.
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
// never waited for), at most the program's bound.
bool ReadWholeFile(const std::string& path, std::string* bytes) {
  return MakeRealHost()->ReadFile(path, bytes);
}

std::string FileNameOf(const std::string& path) {
  return std::filesystem::path(path).filename().string();
}

// Runs the single run's reader over `bytes` under the profile name of
// `path`; `rs` keeps what was read.
std::string ReadAsSingleRun(RunState& rs, const std::string& path, std::string bytes) {
  rs.keyTable = BuildKeyTable();
  rs.profileName.Set(FileNameOf(path));
  rs.profileBytes = std::move(bytes);
  rs.profileOpen = true;
  std::string fault = ReadProfileChecked(rs);
  return fault.empty() ? "OK" : fault;
}

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

struct NewRequest {
  std::string file;
  std::map<std::string, std::string> values;  // by option name
  bool passwordStdin = false;
  bool force = false;
};

const ValueOption* FindValueOption(std::string_view name) {
  for (const ValueOption& o : kValueOptions) {
    if (name == o.name) return &o;
  }
  return nullptr;
}

// Parses the arguments of `new`; on a fault writes it and returns false.
bool ParseNew(const std::vector<std::string>& args, ProfileToolIo& io, NewRequest* request,
              int* status) {
  const std::string usage = NewUsage();
  std::map<std::string, bool> seen;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.size() < 2 || arg[0] != '-') {
      if (!request->file.empty()) {
        *status = Misuse(io, "unexpected argument \"" + arg + "\"", usage);
        return false;
      }
      request->file = arg;
      continue;
    }
    if (arg.compare(0, 2, "--") != 0) {
      *status = Misuse(io, "unknown option " + arg, usage);
      return false;
    }
    std::size_t equals = arg.find('=');
    std::string name = arg.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
    if (seen[name]) {
      *status = Misuse(io, "--" + name + " is given twice", usage);
      return false;
    }
    seen[name] = true;
    if (name == "password-stdin" || name == "force") {
      if (equals != std::string::npos) {
        *status = Misuse(io, "--" + name + " takes no value", usage);
        return false;
      }
      (name == "force" ? request->force : request->passwordStdin) = true;
      continue;
    }
    if (!FindValueOption(name)) {
      *status = Misuse(io, "unknown option --" + name, usage);
      return false;
    }
    if (equals != std::string::npos) {
      request->values[name] = arg.substr(equals + 1);
    } else if (i + 1 < args.size()) {
      request->values[name] = args[++i];
    } else {
      *status = Misuse(io, "--" + name + " needs a value", usage);
      return false;
    }
  }
  if (request->file.empty()) {
    *status = Misuse(io, "new needs a FILE", usage);
    return false;
  }
  return true;
}

// Fills the defaults and checks every value; on a fault writes it.
bool CompleteNew(NewRequest* request, ProfileToolIo& io) {
  auto& v = request->values;
  auto refuse = [&io](const std::string& message) {
    *io.err << kTool << " new: " << message << "\n";
    return false;
  };
  auto given = [&v](const char* name) { return v.count(name) != 0; };

  for (const char* name : {"destination", "client", "user", "language", "mode"}) {
    if (!given(name)) return refuse(std::string("--") + name + " is required");
  }
  if (!request->passwordStdin) {
    return refuse("--password-stdin is required (the password is read from standard input)");
  }
  std::map<std::string, std::string> derivedFrom;
  if (v["mode"] == kGatewayMode) {
    for (const char* name : {"gwhost", "gwservice"}) {
      if (!given(name)) return refuse(std::string("--") + name + " is required with mode R/2");
    }
    if (!given("host")) {
      v["host"] = v["gwhost"];
      derivedFrom["host"] = "--gwhost";
    }
    if (!given("sysnr")) v["sysnr"] = "00";
  } else {
    for (const char* name : {"host", "sysnr"}) {
      if (!given(name)) {
        return refuse(std::string("--") + name + " is required unless the mode is R/2");
      }
    }
    if (!given("gwhost")) {
      v["gwhost"] = v["host"];
      derivedFrom["gwhost"] = "--host";
    }
    if (!given("gwservice")) {
      v["gwservice"] = "sapgw" + v["sysnr"];
      derivedFrom["gwservice"] = "--sysnr";
    }
  }
  if (!given("company")) v["company"] = kDefaultCompany;

  for (const ValueOption& o : kValueOptions) {
    std::string fault = ValueFault(o.key, v[o.name]);
    if (fault.empty()) continue;
    std::string option = std::string("--") + o.name;
    if (derivedFrom.count(o.name)) option += " (taken from " + derivedFrom[o.name] + ")";
    return refuse(option + ": " + fault);
  }
  return true;
}

std::string ProfileText(const NewRequest& request, const std::string& storedPassword) {
  std::string text = "* Tolvaran system profile\n";
  for (const ValueOption& o : kValueOptions) {
    text += std::string(o.key) + " " + request.values.at(o.name) + "\n";
    if (std::string_view(o.name) == "user") text += "Password...: " + storedPassword + "\n";
  }
  return text;
}

// Writes `text` to `path`, readable by its owner only; without `replace`
// an existing file is left as it is, with `replace` it is replaced
// atomically. On a fault gives its reason.
std::string WriteNewFile(const std::string& path, const std::string& text, bool replace) {
  std::string reason;
  switch (WritePrivateFile(path, text, replace, &reason)) {
    case PrivateWrite::kWritten:
      return "";
    case PrivateWrite::kExists:
      return "it exists; give --force to replace it";
    case PrivateWrite::kFailed:
      break;
  }
  return reason.empty() ? "it cannot be created" : reason;
}

int New(const std::vector<std::string>& args, ProfileToolIo& io) {
  if (WantsHelp(args)) {
    *io.out << NewUsage();
    return kDone;
  }
  NewRequest request;
  int status = kRefused;
  if (!ParseNew(args, io, &request, &status)) return status;
  if (!CompleteNew(&request, io)) return kRefused;
  // The program opens "G" as "G.P00": the file is written under the name
  // it will look for.
  request.file = WithProfileExtension(request.file);
  ProfileNameFault nameFault = CheckProfileName(request.file);
  if (!nameFault.message.empty()) {
    *io.err << kTool << " new: " << request.file << ": " << nameFault.reason << "\n";
    return kRefused;
  }

  // Refused before the password is asked for, which would be in vain.
  std::error_code ec;
  if (!request.force && std::filesystem::exists(std::filesystem::path(request.file), ec)) {
    *io.err << kTool << " new: " << request.file << ": it exists; give --force to replace it\n";
    return kRefused;
  }

  std::string password;
  if (!ReadPassword(io, kLeastPasswordLength, &password)) return kRefused;
  std::string stored;
  if (!ScramblePasswordRandomly(BuildKeyTable(), password, *io.rng, &stored)) {
    *io.err << kTool << " new: the password cannot be stored\n";
    return kRefused;
  }

  std::string text = ProfileText(request, stored);
  std::string fault = WriteNewFile(request.file, text, request.force);
  if (!fault.empty()) {
    *io.err << kTool << " new: " << request.file << ": " << fault << "\n";
    return kRefused;
  }

  // What was written must read back as a usable record with this password.
  std::string bytes;
  auto rs = std::make_unique<RunState>();
  std::string result = ReadWholeFile(request.file, &bytes)
                           ? ReadAsSingleRun(*rs, request.file, std::move(bytes))
                           : "the file cannot be read back";
  if (result == "OK" && rs->profile.password != password) result = "the password reads back wrong";
  if (result != "OK") {
    *io.err << kTool << " new: " << request.file
            << " was written but does not read back: " << result << "\n";
    return kRefused;
  }
  *io.out << "Wrote " << request.file << " (check: OK)\n";
  return kDone;
}

}  // namespace

std::string CheckProfileFile(const std::string& given) {
  const std::string path = WithProfileExtension(given);
  ProfileNameFault nameFault = CheckProfileName(path);
  if (!nameFault.message.empty()) return nameFault.message + "\n  " + nameFault.reason;
  std::string bytes;
  if (!ReadWholeFile(path, &bytes)) return "Error 1002: Profile " + path + " is missing...";
  auto rs = std::make_unique<RunState>();
  std::string result = ReadAsSingleRun(*rs, path, bytes);
  for (const std::string& reason : ExplainProfileFault(*rs, bytes, result)) {
    result += "\n  " + reason;
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
  if (command == "scramble") return Scramble(args, io);
  if (command == "new") return New(args, io);
  if (command == "check") return Check(args, io);
  return Misuse(io, "unknown command \"" + command + "\"", kUsage);
}

}  // namespace tolvaran
