#include "profile/password.h"

#include <algorithm>
#include <vector>

#include "text/secret_wipe.h"

namespace tolvaran {

// The key of the password scrambling. Profile files are written with it by
// tolvaran-profile, so it must never change once profiles exist.
//
// Every byte lies in 0x01..0x1F: a printable character XOR such a byte is
// again at least 0x20, so a stored value never holds NUL, CR, LF or Ctrl-Z,
// and stays printable except where it would become DEL (0x7F), which the
// tool avoids by its choice of key offset. The first four bytes, which mask
// the header digits, are below 0x10, so the header reads as "0".."?".
KeyTable BuildKeyTable() {
  static constexpr unsigned char kKey[32] = {0x0B, 0x05, 0x0E, 0x03, 0x17, 0x09, 0x1C, 0x12,
                                             0x06, 0x1E, 0x0D, 0x15, 0x02, 0x19, 0x11, 0x0C,
                                             0x1B, 0x07, 0x14, 0x0A, 0x1D, 0x04, 0x18, 0x0F,
                                             0x13, 0x08, 0x1F, 0x01, 0x16, 0x10, 0x1A, 0x0E};
  KeyTable table;
  for (int i = 0; i < 32; ++i) table[static_cast<std::size_t>(i)] = kKey[i];
  return table;
}

namespace {

constexpr std::size_t kHeaderLength = 4;
constexpr int kOffsetCount = 10;  // one decimal digit

bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

bool IsAsciiLetterOrDigit(unsigned char c) {
  return IsDigit(c) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The last decimal digit of the sum of the codes of the letters and digits
// among all 20 unshuffled characters, filler included.
int CheckDigit(std::string_view unshuffled) {
  unsigned sum = 0;
  for (char c : unshuffled) {
    auto u = static_cast<unsigned char>(c);
    if (IsAsciiLetterOrDigit(u)) sum += u;
  }
  return static_cast<int>(sum % 10);
}

// Position in the masked characters W of the i-th unshuffled character: the
// unshuffled order takes W from both ends inwards (W0, W19, W1, W18, ...).
std::size_t MaskedIndex(std::size_t i) {
  return i % 2 == 0 ? i / 2 : kMaxPasswordLength - 1 - i / 2;
}

unsigned char At(std::string_view text, std::size_t i) {
  return i < text.size() ? static_cast<unsigned char>(text[i]) : 0;
}

}  // namespace

bool IsPasswordCharacter(char c) { return c >= 0x20 && c <= 0x7E; }

bool IsPrintableText(std::string_view text) {
  return std::all_of(text.begin(), text.end(), IsPasswordCharacter);
}

DescrambleSteps RunDescrambleSteps(const KeyTable& key, std::string_view stored) {
  DescrambleSteps steps;
  unsigned char header[kHeaderLength];
  bool digits = true;
  for (std::size_t i = 0; i < kHeaderLength; ++i) {
    header[i] = static_cast<unsigned char>(At(stored, i) ^ key[i]);
    digits = digits && IsDigit(header[i]);
  }
  steps.wellFormed = stored.size() == kStoredPasswordLength && digits;

  std::size_t offset = IsDigit(header[1]) ? static_cast<std::size_t>(header[1] - '0') : 0;
  std::size_t length = kMaxPasswordLength;
  if (IsDigit(header[2]) && IsDigit(header[3])) {
    length = static_cast<std::size_t>((header[2] - '0') * 10 + (header[3] - '0'));
  }

  std::string masked(kMaxPasswordLength, '\0');
  for (std::size_t i = 0; i < kMaxPasswordLength; ++i) {
    masked[i] = static_cast<char>(At(stored, kHeaderLength + i) ^ key[offset + i]);
  }
  std::string unshuffled(kMaxPasswordLength, '\0');
  WipeOnExit wipe(&masked, &unshuffled);
  for (std::size_t i = 0; i < kMaxPasswordLength; ++i) unshuffled[i] = masked[MaskedIndex(i)];

  steps.checkMatches = IsDigit(header[0]) && CheckDigit(unshuffled) == header[0] - '0';
  steps.password = unshuffled.substr(0, std::min(length, kMaxPasswordLength));
  return steps;
}

DescrambleResult DescramblePassword(const KeyTable& key, std::string_view stored,
                                    std::string* password) {
  DescrambleSteps steps = RunDescrambleSteps(key, stored);
  WipeOnExit wipe(&steps.password);
  if (!steps.wellFormed) return DescrambleResult::kMalformed;
  if (!steps.checkMatches) return DescrambleResult::kCheckFailed;
  *password = std::move(steps.password);
  return DescrambleResult::kOk;
}

bool ScramblePassword(const KeyTable& key, std::string_view password, int offset,
                      std::string_view filler, std::string* stored) {
  if (password.empty() || password.size() > kMaxPasswordLength || !IsPrintableText(password)) {
    return false;
  }
  if (offset < 0 || offset >= kOffsetCount) return false;
  std::size_t fill = kMaxPasswordLength - password.size();
  if (filler.size() < fill || !IsPrintableText(filler.substr(0, fill))) return false;

  std::string unshuffled(password);
  unshuffled.append(filler.substr(0, fill));

  const char header[kHeaderLength] = {
      static_cast<char>('0' + CheckDigit(unshuffled)), static_cast<char>('0' + offset),
      static_cast<char>('0' + password.size() / 10), static_cast<char>('0' + password.size() % 10)};
  std::string value(kStoredPasswordLength, '\0');
  for (std::size_t i = 0; i < kHeaderLength; ++i) {
    value[i] = static_cast<char>(static_cast<unsigned char>(header[i]) ^ key[i]);
  }
  auto d = static_cast<std::size_t>(offset);
  for (std::size_t i = 0; i < kMaxPasswordLength; ++i) {
    std::size_t w = MaskedIndex(i);
    value[kHeaderLength + w] =
        static_cast<char>(static_cast<unsigned char>(unshuffled[i]) ^ key[d + w]);
  }
  *stored = std::move(value);
  return true;
}

bool ScramblePasswordRandomly(const KeyTable& key, std::string_view password, std::mt19937& rng,
                              std::string* stored) {
  std::vector<int> offsets(kOffsetCount);
  for (int i = 0; i < kOffsetCount; ++i) offsets[static_cast<std::size_t>(i)] = i;
  std::shuffle(offsets.begin(), offsets.end(), rng);

  std::string fallback;
  for (int offset : offsets) {
    // Filler characters that stay printable once masked at their position;
    // any printable one where no character does (not so with this table).
    std::string filler;
    for (std::size_t i = password.size(); i < kMaxPasswordLength; ++i) {
      unsigned char mask = key[static_cast<std::size_t>(offset) + MaskedIndex(i)];
      std::vector<char> fitting;
      for (int c = 0x20; c <= 0x7E; ++c) {
        if (IsPasswordCharacter(static_cast<char>(c ^ mask)))
          fitting.push_back(static_cast<char>(c));
      }
      if (fitting.empty()) {
        for (int c = 0x20; c <= 0x7E; ++c) fitting.push_back(static_cast<char>(c));
      }
      std::uniform_int_distribution<std::size_t> pick(0, fitting.size() - 1);
      filler.push_back(fitting[pick(rng)]);
    }
    std::string value;
    if (!ScramblePassword(key, password, offset, filler, &value)) return false;
    if (IsPrintableText(value)) {
      *stored = std::move(value);
      return true;
    }
    if (fallback.empty()) fallback = std::move(value);
  }
  *stored = std::move(fallback);
  return true;
}

}  // namespace tolvaran
