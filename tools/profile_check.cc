#include "profile_check.h"

#include <cstddef>
#include <string_view>

#include "driver/password.h"
#include "driver/protected_password.h"
#include "driver/system_profile.h"
#include "text/secure_wipe.h"

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
std::string FaultyStoredPassword(const RunState& rs, const std::string& bytes) {
  ProfileLines lines(bytes, kSingleRunPiece);
  std::string_view key;
  std::string_view value;
  while (lines.Next(&key, &value)) {
    if (key != "Password...:" || value.empty()) continue;
    std::string password;
    std::string reason;
    bool ok = IsProtectedPassword(value)
                  ? UnprotectPassword(value, &password, &reason)
                  : DescramblePassword(rs.keyTable, value, &password) == DescrambleResult::kOk;
    SecureWipe(&password);
    if (!ok) return std::string(value);
  }
  return "";
}

}  // namespace

std::string WithProfileExtension(const std::string& path) {
  std::size_t slash = path.find_last_of("\\/");
  std::string_view name = std::string_view(path).substr(slash == std::string::npos ? 0 : slash + 1);
  if (name.size() >= 4 && name[name.size() - 4] == '.') return path;
  return path + ".P00";
}

std::vector<std::string> ExplainProfileFault(const RunState& rs, const std::string& bytes,
                                             const std::string& fault) {
  std::vector<std::string> reasons;
  if (StartsWith(fault, "Error 1003:")) {
    const auto& rules = ProfileFieldRules();
    for (std::size_t i = 0; i < rules.size(); ++i) {
      std::string key(rules[i].key);
      std::size_t size = FieldValue(rs.profile, i).size();
      if (rs.profile.cutFields & (1u << i)) {
        reasons.push_back(key + " more than " + Characters(rules[i].capacity) + ", at most " +
                          std::to_string(rules[i].capacity));
      } else if (size < rules[i].leastLength) {
        reasons.push_back(key + " " + (size == 0 ? "missing or empty" : Characters(size)) +
                          ", at least " + std::to_string(rules[i].leastLength));
      }
    }
    std::string snc = SncFault(rs.profile);
    if (!snc.empty()) reasons.push_back(snc);
  } else if (StartsWith(fault, "Error 1004:")) {
    std::string stored = FaultyStoredPassword(rs, bytes);
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
    UnprotectPassword(FaultyStoredPassword(rs, bytes), &password, &reason);
    SecureWipe(&password);
    reasons.push_back("Password...: " + reason);
  } else if (StartsWith(fault, "Error 1005:")) {
    reasons.push_back(
        "Password...: the check digit does not match the characters (the stored form was "
        "changed by hand or cut)");
  }
  return reasons;
}

}  // namespace tolvaran
