// Letter case and searching as the program's files and parameters need it:
// only the ASCII letters a to z and A to Z change case, every other byte
// (umlauts in any code page included) stays as it is.
#ifndef TOLVARAN_DRIVER_ASCII_TEXT_H_
#define TOLVARAN_DRIVER_ASCII_TEXT_H_

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

// Plain substring search: first occurrence, no word boundaries.
inline bool Contains(std::string_view text, std::string_view what) {
  return text.find(what) != std::string_view::npos;
}

}  // namespace tolvaran

#endif  // TOLVARAN_DRIVER_ASCII_TEXT_H_
