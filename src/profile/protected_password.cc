#include "profile/protected_password.h"

#include "profile/password.h"
#include "text/base64.h"
#include "text/secret_wipe.h"

namespace tolvaran {

namespace {

// Mixed into the key: a value another program protected for the same
// account does not decrypt as a password of ours, and ours not with the
// plain API call. Changing it makes every protected profile unreadable.
constexpr std::string_view kEntropy = "Tolvaran profile password\x01";

}  // namespace

bool IsProtectedPassword(std::string_view stored) {
  return stored.substr(0, kProtectedPrefix.size()) == kProtectedPrefix;
}

std::string ProtectedPasswordFault(std::string_view profileName) {
  return "Error 1008: Protected password of " + std::string(profileName) +
         " cannot be decrypted here !";
}

bool ProtectPassword(std::string_view password, ProtectionScope scope, std::string_view profileName,
                     std::string* stored, std::string* reason) {
  std::string blob;
  if (!ProtectData(password, kEntropy, scope, "Tolvaran profile " + std::string(profileName), &blob,
                   reason)) {
    return false;
  }
  *stored = std::string(kProtectedPrefix) + Base64Encode(blob);
  return true;
}

bool UnprotectPassword(std::string_view stored, std::string* password, std::string* reason) {
  password->clear();
  std::string blob;
  if (!IsProtectedPassword(stored) ||
      !Base64Decode(stored.substr(kProtectedPrefix.size()), &blob)) {
    *reason = "the value after DPAPI: is no base64";
    return false;
  }
  if (!UnprotectData(blob, kEntropy, password, reason)) return false;
  if (password->empty() || password->size() > kMaxPasswordLength || !IsPrintableText(*password)) {
    WipeSecret(password);
    *reason = "it decrypts to no password of 1 to 20 printable characters";
    return false;
  }
  return true;
}

}  // namespace tolvaran
