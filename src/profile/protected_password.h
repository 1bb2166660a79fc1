// A profile's password protected by the operating system (DPAPI) instead of
// scrambled: "Password...: DPAPI:" and the encrypted value in base64.
//
// Only the machine, or the account, that protected it can decrypt it: a
// copied profile is of no use elsewhere. The scrambled form stays the
// default; this one is made by `tolvaran-profile ... --protect`.
#ifndef TOLVARAN_PROFILE_PROTECTED_PASSWORD_H_
#define TOLVARAN_PROFILE_PROTECTED_PASSWORD_H_

#include <string>
#include <string_view>

#include "platform/protected_data.h"

namespace tolvaran {

// What a protected value begins with.
constexpr std::string_view kProtectedPrefix = "DPAPI:";

bool IsProtectedPassword(std::string_view stored);

// "Error 1008: Protected password of <profile> cannot be decrypted here !"
std::string ProtectedPasswordFault(std::string_view profileName);

// The stored value for `password`; the profile's name goes into the value's
// description. False, with `reason`, when the system cannot protect it.
bool ProtectPassword(std::string_view password, ProtectionScope scope, std::string_view profileName,
                     std::string* stored, std::string* reason);

// The password of a stored "DPAPI:" value. False, with `reason`, when it
// cannot be decrypted here, or what it decrypts to is no password (1 to 20
// printable characters). `password` is the caller's to wipe.
bool UnprotectPassword(std::string_view stored, std::string* password, std::string* reason);

}  // namespace tolvaran

#endif  // TOLVARAN_PROFILE_PROTECTED_PASSWORD_H_
