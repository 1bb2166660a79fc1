// The stored form of a profile's password.
//
// A stored value is 24 characters. Its first four, each XOR the key table's
// first four bytes, read as digits: check digit, key offset d, and the
// password's length in two digits. Characters 5 to 24 carry the password,
// shuffled (outermost characters first) and masked with the key table from
// offset d on. This is obfuscation that keeps a password from being read at
// a glance, not encryption.
#ifndef TOLVARAN_PROFILE_PASSWORD_H_
#define TOLVARAN_PROFILE_PASSWORD_H_

#include <array>
#include <cstddef>
#include <random>
#include <string>
#include <string_view>

namespace tolvaran {

using KeyTable = std::array<unsigned char, 32>;

// The program's key table; profile files are scrambled with it.
KeyTable BuildKeyTable();

// Characters of a stored value, and the most a password can have.
constexpr std::size_t kStoredPasswordLength = 24;
constexpr std::size_t kMaxPasswordLength = 20;

enum class DescrambleResult { kOk, kMalformed, kCheckFailed };

// `password` receives the plain password on kOk and is left alone on a
// fault.
DescrambleResult DescramblePassword(const KeyTable& key, std::string_view stored,
                                    std::string* password);

// Every step of the de-scrambling, run whatever the value looks like. The
// listing reader takes the password from a malformed value too, as long as
// its check digit matches. Characters missing from a short value count as
// NUL; a header whose offset is no digit unmasks from offset 0, and one
// whose length is no number gives all 20 characters.
struct DescrambleSteps {
  bool wellFormed = false;    // 24 characters, header of four digits
  bool checkMatches = false;  // the check digit agrees with the characters
  std::string password;
};
DescrambleSteps RunDescrambleSteps(const KeyTable& key, std::string_view stored);

// True for a character a password may hold and a profile line can carry:
// blank to tilde.
bool IsPasswordCharacter(char c);

// The 24-character stored value for a password of 1 to 20 printable
// characters, with key offset `offset` (0 to 9) and the first characters of
// `filler` (printable too) for the unused positions. False when the
// password cannot be stored or the filler is too short.
bool ScramblePassword(const KeyTable& key, std::string_view password, int offset,
                      std::string_view filler, std::string* stored);

// ScramblePassword with the key offset and filler chosen from `rng`. Offsets
// are tried in random order and the first whose stored value is all
// printable (0x20..0x7E) is taken, with filler that keeps it so; only when
// no offset can avoid it does the value keep an unprintable character
// (with this key table that can only be DEL). False when the password
// cannot be stored.
bool ScramblePasswordRandomly(const KeyTable& key, std::string_view password, std::mt19937& rng,
                              std::string* stored);

// True when every character of a stored value is printable (0x20..0x7E).
bool IsPrintableText(std::string_view text);

}  // namespace tolvaran

#endif  // TOLVARAN_PROFILE_PASSWORD_H_
