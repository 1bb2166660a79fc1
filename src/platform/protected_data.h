// The operating system's protection of stored secrets: on Windows the data
// protection API (DPAPI), which encrypts with a key of the machine or of the
// account the process runs as, so that a copied file is of no use on
// another machine or, with the account's key, to another account.
#ifndef TOLVARAN_PLATFORM_PROTECTED_DATA_H_
#define TOLVARAN_PLATFORM_PROTECTED_DATA_H_

#include <string>
#include <string_view>

namespace tolvaran {

enum class ProtectionScope {
  kMachine,  // any account of this machine may decrypt
  kUser,     // only the account that encrypted may decrypt, on any machine it logs on to
};

// Encrypts `secret` into `blob`. `entropy` is mixed into the key, so that
// another program's protected value is not decrypted as ours, nor ours by a
// program that does not know it; `description` is stored in the blob in
// plain (Windows shows it). False, with `reason`, when the system cannot
// (elsewhere than on Windows: "DPAPI needs Windows").
bool ProtectData(std::string_view secret, std::string_view entropy, ProtectionScope scope,
                 std::string_view description, std::string* blob, std::string* reason);

// Decrypts what ProtectData made with the same `entropy`, here: on the same
// machine, and for kUser by the same account. False, with `reason`, when the
// blob is damaged, made with another entropy, for another machine or
// account, or the system has no DPAPI. The system's copy of the plain text
// is overwritten before it is freed; `secret` is the caller's to wipe.
bool UnprotectData(std::string_view blob, std::string_view entropy, std::string* secret,
                   std::string* reason);

}  // namespace tolvaran

#endif  // TOLVARAN_PLATFORM_PROTECTED_DATA_H_
