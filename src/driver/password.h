// The stored form of a profile's password.
//
// A stored value is 24 characters. Its first four, each XOR the key table's
// first four bytes, read as digits: check digit, key offset d, and the
// password's length in two digits. Characters 5 to 24 carry the password,
// shuffled (outermost characters first) and masked with the key table from
// offset d on. This is obfuscation that keeps a password from being read at
// a glance, not encryption.
#ifndef TOLVARAN_DRIVER_PASSWORD_H_
#define TOLVARAN_DRIVER_PASSWORD_H_

#include <array>
#include <string>
#include <string_view>

namespace tolvaran {

using KeyTable = std::array<unsigned char, 32>;

// The program's key table; profile files are scrambled with it.
KeyTable BuildKeyTable();

enum class DescrambleResult { kOk, kMalformed, kCheckFailed };

// `password` receives the plain password on kOk (and, as with the listing
// reader, whatever could be read on kMalformed is not used).
DescrambleResult DescramblePassword(const KeyTable& key, std::string_view stored,
                                    std::string* password);

// The 24-character stored value for a password of 1 to 20 printable
// characters, with key offset `offset` (0 to 9) and `filler` for the unused
// positions. False when the password cannot be stored.
bool ScramblePassword(const KeyTable& key, std::string_view password, int offset,
                      std::string_view filler, std::string* stored);

}  // namespace tolvaran

#endif  // TOLVARAN_DRIVER_PASSWORD_H_
