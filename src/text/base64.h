// Base64 (RFC 4648, the standard alphabet with "=" padding), for binary
// values that must sit on one line of a text file.
#ifndef TOLVARAN_TEXT_BASE64_H_
#define TOLVARAN_TEXT_BASE64_H_

#include <string>
#include <string_view>

namespace tolvaran {

std::string Base64Encode(std::string_view bytes);

// False for anything but well-formed padded base64 (no blanks, no line
// breaks: a profile value is one line).
bool Base64Decode(std::string_view text, std::string* bytes);

}  // namespace tolvaran

#endif  // TOLVARAN_TEXT_BASE64_H_
