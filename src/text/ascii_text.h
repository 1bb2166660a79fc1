// Letter case and searching as the program's files and parameters need it:
// only the ASCII letters a to z and A to Z change case, every other byte
// (umlauts in any code page included) stays as it is.
#ifndef TOLVARAN_TEXT_ASCII_TEXT_H_
#define TOLVARAN_TEXT_ASCII_TEXT_H_

#include <string>
#include <string_view>

namespace tolvaran {

inline std::string AsciiUpper(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

inline std::string AsciiLower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

// Equal but for the case of the ASCII letters.
inline bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

// Plain substring search: first occurrence, no word boundaries.
inline bool Contains(std::string_view text, std::string_view what) {
  return text.find(what) != std::string_view::npos;
}

// Inside a value ":" stands for a blank, since a blank ends a value on the
// command line.
inline std::string ColonsAsBlanks(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c == ':') c = ' ';
  }
  return out;
}

// A plain text-to-integer conversion, as the C library's atoi reads: leading
// white space, an optional sign, then the digits up to the first other
// character; 0 without digits. Saturates instead of overflowing.
inline int LeadingNumber(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    if (value <= 2147483648LL) value = value * 10 + (text[i] - '0');
  }
  if (negative) value = -value;
  if (value > 2147483647LL) return 2147483647;
  if (value < -2147483647LL - 1) return -2147483647 - 1;
  return static_cast<int>(value);
}

}  // namespace tolvaran

#endif  // TOLVARAN_TEXT_ASCII_TEXT_H_
