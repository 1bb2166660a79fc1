#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>
#include <system_error>

#include "platform/private_file.h"
#include "profile/password.h"
#include "profile/system_profile.h"
#include "profile_check.h"
#include "profile_tool_common.h"
#include "rfc/backend.h"
#include "text/secret_wipe.h"

namespace tolvaran {

namespace {

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

// The optional SNC options, each writing its key only when given.
const ValueOption kSncOptions[] = {
    {"snc-mode", "Snc-Mode...:", "0|1", "SNC off or on; 1 when another --snc- option is given", ""},
    {"snc-partner", "Snc-Partner:", "NAME", "the system's SNC name, p:CN=...; required with 1", ""},
    {"snc-qop", "Snc-Qop....:", "N", "quality of protection: 1, 2, 3, 8 or 9", ""},
    {"snc-myname", "Snc-Myname.:", "NAME", "this program's own SNC name, p:CN=...", ""},
    {"snc-library", "Snc-Library:", "PATH", "the cryptographic library (sapcrypto)", ""},
};

const ValueOption* FindSncOption(std::string_view name) {
  for (const ValueOption& o : kSncOptions) {
    if (name == o.name) return &o;
  }
  return nullptr;
}

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
          "         [--company TEXT] [--protect machine|user] [--force]\n"
          "         [--snc-mode 0|1] [--snc-partner NAME] [--snc-qop N]\n"
          "         [--snc-myname NAME] [--snc-library PATH]\n"
          "\n"
          "Writes a complete system profile to FILE (FILE.P00 when FILE has no\n"
          "three-character extension, the name tolvaran FILE opens), readable by\n"
          "its owner only, then reads it back as tolvaran does. A file name of\n"
          "more than 63 characters (.P00 included) is refused: tolvaran cannot\n"
          "open it. The password is read from standard input (without echo at a\n"
          "terminal) and stored scrambled, or with --protect encrypted. --force\n"
          "replaces FILE atomically, never in place.\n"
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
  line("--protect SCOPE", "store the password encrypted by Windows (DPAPI), as");
  line("", "\"DPAPI:\" and base64: machine (any account of this machine");
  line("", "decrypts it) or user (only this account); Windows only");
  line("--force", "replace FILE if it exists (otherwise refused)");
  for (const ValueOption& o : kSncOptions) {
    line(std::string("--") + o.name + " " + o.argument, o.meaning);
  }
  text << "\n"
          "Every key is written, since tolvaran checks all of them. With mode exactly\n"
          "R/2 (through the gateway), --gwhost and --gwservice are required, --host\n"
          "defaults to the gateway host and --sysnr to 00. With any other mode (such\n"
          "as R/3), --host and --sysnr are required, --gwhost defaults to the host\n"
          "and --gwservice to sapgw followed by the system number. SNC is refused\n"
          "with mode R/2 (tolvaran opens SNC only through an application server)\n"
          "unless a SapRfc.<destination> file is in the current directory.\n"
          "A value follows its option as the next argument or after \"=\"\n"
          "(--client=100); it holds no control characters and is counted in bytes.\n"
          "\n"
          "Output: \"Wrote FILE (check: OK)\".\n"
          "Exit status: 0 written, 2 refused or failed.\n";
  return text.str();
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

struct NewRequest {
  std::string file;
  std::map<std::string, std::string> values;  // by option name
  bool passwordStdin = false;
  bool force = false;
  std::string protect;  // the scope of --protect; empty: scrambled
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
    if (!FindValueOption(name) && !FindSncOption(name) && name != "protect") {
      *status = Misuse(io, "unknown option --" + name, usage);
      return false;
    }
    std::string& value = name == "protect" ? request->protect : request->values[name];
    if (equals != std::string::npos) {
      value = arg.substr(equals + 1);
    } else if (i + 1 < args.size()) {
      value = args[++i];
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
  if (!request->protect.empty() && !ParseScope(request->protect, nullptr)) {
    return refuse("--protect: \"" + request->protect + "\" is neither machine nor user");
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

  // SNC: the values as the program will check them.
  bool anySnc = false;
  SystemProfile snc;
  for (const ValueOption& o : kSncOptions) {
    if (!given(o.name)) continue;
    anySnc = true;
    const std::string& value = v[o.name];
    if (value.empty() || value.size() > kProfileValueMax ||
        std::any_of(value.begin(), value.end(), IsControl)) {
      return refuse(std::string("--") + o.name + ": 1 to " + std::to_string(kProfileValueMax) +
                    " characters, no control characters");
    }
    // The connection takes no value with a double quote: tolvaran would
    // refuse every opening with error 1011.
    if (value.find('"') != std::string::npos) {
      return refuse(std::string("--") + o.name +
                    ": no double quote (tolvaran cannot pass it to the RFC library)");
    }
  }
  if (anySnc && !given("snc-mode")) v["snc-mode"] = "1";
  snc.sncMode.Set(v.count("snc-mode") ? v["snc-mode"] : "");
  snc.sncPartner.Set(given("snc-partner") ? v["snc-partner"] : "");
  snc.sncQop.Set(given("snc-qop") ? v["snc-qop"] : "");
  std::string fault = SncFault(snc);
  if (!fault.empty()) return refuse(fault);
  // What a run from here would refuse to open is not written.
  if (SncRefusedForR2(v["mode"], snc.sncMode.str(), v["destination"])) {
    return refuse(std::string("SNC with mode R/2: ") + kSncNeedsServer +
                  "; tolvaran opens it only through a SapRfc.<destination> file");
  }
  return true;
}

std::string ProfileText(const NewRequest& request, const std::string& storedPassword) {
  std::string text = "* Tolvaran system profile\n";
  for (const ValueOption& o : kValueOptions) {
    text += std::string(o.key) + " " + request.values.at(o.name) + "\n";
    if (std::string_view(o.name) == "user") text += "Password...: " + storedPassword + "\n";
  }
  for (const ValueOption& o : kSncOptions) {
    auto it = request.values.find(o.name);
    if (it != request.values.end()) text += std::string(o.key) + " " + it->second + "\n";
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
  std::string reason;
  if (!StoredPasswordFor(password, request.protect, FileNameOf(request.file), *io.rng, &stored,
                         &reason)) {
    WipeSecret(&password);
    *io.err << kTool << " new: the password cannot be stored: " << reason << "\n";
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
  SystemProfile profile;
  std::string result = ReadWholeFile(request.file, &bytes)
                           ? ReadAsSingleRun(profile, request.file, std::move(bytes))
                           : "the file cannot be read back";
  if (result == "OK" && profile.password != password) result = "the password reads back wrong";
  WipeSecret(&password);
  if (result != "OK") {
    *io.err << kTool << " new: " << request.file
            << " was written but does not read back: " << result << "\n";
    return kRefused;
  }
  *io.out << "Wrote " << request.file;
  if (!request.protect.empty()) *io.out << " (password protected, scope " << request.protect << ")";
  *io.out << " (check: OK)\n";
  return kDone;
}

}  // namespace

int NewCommand(const std::vector<std::string>& args, ProfileToolIo& io) { return New(args, io); }

}  // namespace tolvaran
