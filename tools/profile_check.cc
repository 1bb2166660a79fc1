#include "profile_check.h"

#include <cstddef>
#include <string_view>

#include "platform/host.h"
#include "platform/text_reader.h"
#include "profile/password.h"
#include "profile/protected_password.h"
#include "profile/system_profile.h"
#include "rfc/library_config.h"
#include "text/ascii_text.h"
#include "text/secret_wipe.h"

namespace tolvaran {

namespace {

// The value of field `i`, in the order of ProfileFieldRules().
std::string_view FieldValue(const SystemProfile& p, std::size_t i) {
  switch (i) {
    case 0:
      return p.extCompany.view();
    case 1:
      return p.destination.view();
    case 2:
      return p.logonClient.view();
    case 3:
      return p.user.view();
    case 4:
      return p.password.view();
    case 5:
      return p.language.view();
    case 6:
      return p.mode.view();
    case 7:
      return p.hostname.view();
    case 8:
      return p.systemNumber.view();
    case 9:
      return p.gatewayHost.view();
    default:
      return p.gatewayService.view();
  }
}

std::string Characters(std::size_t n) {
  return std::to_string(n) + (n == 1 ? " character" : " characters");
}

bool StartsWith(const std::string& text, std::string_view head) {
  return text.compare(0, head.size(), head) == 0;
}

// The first "Password...:" value that the single run's reader stops at.
std::string FaultyStoredPassword(const std::string& bytes) {
  ProfileLines lines(bytes, kSingleRunPiece);
  std::string_view key;
  std::string_view value;
  while (lines.Next(&key, &value)) {
    if (key != "Password...:" || value.empty()) continue;
    std::string password;
    std::string reason;
    bool ok = IsProtectedPassword(value)
                  ? UnprotectPassword(value, &password, &reason)
                  : DescramblePassword(BuildKeyTable(), value, &password) == DescrambleResult::kOk;
    WipeSecret(&password);
    if (!ok) return std::string(value);
  }
  return "";
}

// A key split as the program's keys are written: letters, dots, colon.
struct KeyShape {
  std::string letters;
  std::size_t dots = 0;
  bool colon = false;
  std::size_t length = 0;  // characters of the line it takes
};

KeyShape ShapeOf(std::string_view text) {
  KeyShape shape;
  std::size_t i = 0;
  while (i < text.size() &&
         ((text[i] >= 'A' && text[i] <= 'Z') || (text[i] >= 'a' && text[i] <= 'z'))) {
    shape.letters.push_back(text[i++]);
  }
  while (i < text.size() && text[i] == '.') {
    ++shape.dots;
    ++i;
  }
  if (i < text.size() && text[i] == ':') {
    shape.colon = true;
    ++i;
  }
  shape.length = i;
  return shape;
}

std::string Dots(std::size_t n, const char* way) {
  return (n == 1 ? std::string("one dot") : std::to_string(n) + " dots") + " too " + way;
}

// Text saved as UTF-16 has a NUL beside every ASCII character; a byte
// order mark says so outright.
bool LooksLikeUtf16(const std::string& bytes) {
  if (bytes.size() >= 2 &&
      ((bytes[0] == '\xFF' && bytes[1] == '\xFE') || (bytes[0] == '\xFE' && bytes[1] == '\xFF'))) {
    return true;
  }
  return bytes.size() >= 4 && ((bytes[1] == '\0' && bytes[3] == '\0' && bytes[0] != '\0') ||
                               (bytes[0] == '\0' && bytes[2] == '\0' && bytes[1] != '\0'));
}

// What is wrong with `line` as the key it resembles; "" when it is read as
// a key or looks like none.
std::string NearMiss(const std::string& line) {
  for (const ProfileFieldRule& rule : ProfileFieldRules()) {
    const std::string key(rule.key);
    if (line.compare(0, key.size(), key) == 0) {
      if (line.size() > key.size() && line[key.size()] != ' ') {
        return "\"" + key + "\" is not followed by a blank: the value is taken from the " +
               "14th character on, without its first character";
      }
      return "";
    }
  }
  std::size_t indent = line.find_first_not_of(" \t");
  if (indent == std::string::npos) return "";
  KeyShape shape = ShapeOf(std::string_view(line).substr(indent));
  // Prose ("Client data") is a comment; a key has its dots or colon.
  if (shape.letters.empty() || (shape.dots == 0 && !shape.colon)) return "";
  for (const ProfileFieldRule& rule : ProfileFieldRules()) {
    KeyShape want = ShapeOf(rule.key);
    if (AsciiLower(shape.letters) != AsciiLower(want.letters)) continue;
    std::vector<std::string> faults;
    if (indent > 0) faults.push_back("it does not start the line");
    if (shape.letters != want.letters) faults.push_back("another letter case");
    if (shape.dots < want.dots) faults.push_back(Dots(want.dots - shape.dots, "few"));
    if (shape.dots > want.dots) faults.push_back(Dots(shape.dots - want.dots, "many"));
    if (!shape.colon) faults.push_back("no colon");
    std::string text = "\"" + line.substr(indent, shape.length) + "\" is not read as \"" +
                       std::string(rule.key) + "\" (";
    for (std::size_t i = 0; i < faults.size(); ++i) text += (i ? ", " : "") + faults[i];
    return text + ")";
  }
  return "";
}

}  // namespace

ProfileNameFault CheckProfileName(const std::string& path) {
  std::size_t slash = path.find_last_of("\\/");
  std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1);
  if (name.size() <= kMaxProfileName) return {};
  // The program keeps as much of the name as its field holds and reports
  // that profile missing.
  return {"Error 1002: Profile " + name.substr(0, kMaxProfileName) + " is missing...",
          "the file name has " + std::to_string(name.size()) +
              " characters; tolvaran opens a profile name of at most " +
              std::to_string(kMaxProfileName)};
}

std::vector<std::string> NearMissLines(const std::string& bytes) {
  if (LooksLikeUtf16(bytes)) return {"the file is saved as Unicode; save as ANSI or UTF-8"};
  std::vector<std::string> found;
  TextReader reader(bytes);
  std::string line;
  std::size_t number = 0;
  // Pieces as long as the file: each one is a whole line.
  while (reader.ReadPiece(bytes.size() + 1, &line)) {
    ++number;
    StripLineEnd(&line);
    std::string fault = NearMiss(line);
    if (!fault.empty()) found.push_back("line " + std::to_string(number) + ": " + fault);
  }
  return found;
}

bool SncRefusedForR2(const std::string& mode, const std::string& sncMode,
                     const std::string& destination) {
  if (mode != "R/2" || sncMode != "1") return false;
  return !HasDestinationConfig(*MakeRealHost(), destination);
}

std::string WithProfileExtension(const std::string& path) {
  std::size_t slash = path.find_last_of("\\/");
  std::string_view name = std::string_view(path).substr(slash == std::string::npos ? 0 : slash + 1);
  if (name.size() >= 4 && name[name.size() - 4] == '.') return path;
  return path + ".P00";
}

std::vector<std::string> ExplainProfileFault(const SystemProfile& profile, const std::string& bytes,
                                             const std::string& fault) {
  std::vector<std::string> reasons;
  if (StartsWith(fault, "Error 1003:")) {
    const auto& rules = ProfileFieldRules();
    for (std::size_t i = 0; i < rules.size(); ++i) {
      std::string key(rules[i].key);
      std::size_t size = FieldValue(profile, i).size();
      if (profile.cutFields & (1u << i)) {
        reasons.push_back(key + " more than " + Characters(rules[i].capacity) + ", at most " +
                          std::to_string(rules[i].capacity));
      } else if (size < rules[i].leastLength) {
        reasons.push_back(key + " " + (size == 0 ? "missing or empty" : Characters(size)) +
                          ", at least " + std::to_string(rules[i].leastLength));
      }
    }
    std::string snc = SncFault(profile);
    if (!snc.empty()) reasons.push_back(snc);
  } else if (StartsWith(fault, "Error 1004:")) {
    std::string stored = FaultyStoredPassword(bytes);
    if (stored.size() != kStoredPasswordLength) {
      reasons.push_back("Password...: the stored form has " + Characters(stored.size()) + ", not " +
                        std::to_string(kStoredPasswordLength));
    } else {
      reasons.push_back(
          "Password...: the stored form's first four characters do not read as its check "
          "digit, key offset and length");
    }
  } else if (StartsWith(fault, "Error 1008:")) {
    std::string password;
    std::string reason;
    UnprotectPassword(FaultyStoredPassword(bytes), &password, &reason);
    WipeSecret(&password);
    reasons.push_back("Password...: " + reason);
  } else if (StartsWith(fault, "Error 1005:")) {
    reasons.push_back(
        "Password...: the check digit does not match the characters (the stored form was "
        "changed by hand or cut)");
  }
  return reasons;
}

}  // namespace tolvaran
