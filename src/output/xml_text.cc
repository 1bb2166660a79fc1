#include "output/xml_text.h"

#include <cstdint>

namespace tolvaran {

namespace {

// Windows-1252's characters for 0x80 to 0x9F. Its five unassigned bytes
// map to the code point of the same number, as Windows converts them.
const std::uint16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// The length of the valid UTF-8 sequence at `at` (1 to 4), 0 when the
// bytes there are no valid UTF-8: overlong forms, surrogates, code points
// past U+10FFFF and cut sequences are all invalid.
std::size_t SequenceLength(std::string_view text, std::size_t at, std::uint32_t* code) {
  const auto byte = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  if (lead < 0x80) {
    *code = lead;
    return 1;
  }
  std::size_t length;
  std::uint32_t least;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    least = 0x80;
    *code = lead & 0x1Fu;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    least = 0x800;
    *code = lead & 0x0Fu;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    least = 0x10000;
    *code = lead & 0x07u;
  } else {
    return 0;
  }
  if (text.size() - at < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    const unsigned char next = byte(at + i);
    if ((next & 0xC0) != 0x80) return 0;
    *code = (*code << 6) | (next & 0x3Fu);
  }
  if (*code < least || *code > 0x10FFFF || (*code >= 0xD800 && *code <= 0xDFFF)) return 0;
  return length;
}

void AppendUtf8(std::uint32_t code, std::string* out) {
  if (code < 0x80) {
    *out += static_cast<char>(code);
  } else if (code < 0x800) {
    *out += static_cast<char>(0xC0 | (code >> 6));
    *out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    *out += static_cast<char>(0xE0 | (code >> 12));
    *out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    *out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// Calls `visit(code, at, length)` for each character of `text`: valid UTF-8
// as it stands (`length` its bytes), any other byte as its Windows-1252
// character (`length` 0, as no bytes of `text` may be kept for it).
template <typename Visit>
void ForEachCharacter(std::string_view text, Visit visit) {
  std::size_t i = 0;
  while (i < text.size()) {
    std::uint32_t code = 0;
    const std::size_t length = SequenceLength(text, i, &code);
    if (length == 0) {
      const auto b = static_cast<unsigned char>(text[i]);
      visit(b < 0xA0 ? kCp1252High[b - 0x80] : std::uint32_t{b}, i, std::size_t{0});
      ++i;
      continue;
    }
    visit(code, i, length);
    i += length;
  }
}

}  // namespace

std::string EscapeXmlText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  ForEachCharacter(text, [&](std::uint32_t code, std::size_t i, std::size_t length) {
    if (length == 0) {
      AppendUtf8(code, &out);
    } else if (code == '&') {
      out += "&amp;";
    } else if (code == '<') {
      out += "&lt;";
    } else if (code == '>' && i >= 2 && text[i - 1] == ']' && text[i - 2] == ']') {
      out += "&gt;";
    } else if ((code < 0x20 && code != '\t' && code != '\n' && code != '\r') || code == 0xFFFE ||
               code == 0xFFFF) {
      out += '?';
    } else {
      out.append(text, i, length);
    }
  });
  return out;
}

std::string ToUtf8Text(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  ForEachCharacter(text, [&](std::uint32_t code, std::size_t i, std::size_t length) {
    if (length == 0) {
      AppendUtf8(code, &out);
    } else {
      out.append(text, i, length);
    }
  });
  return out;
}

std::string_view CutWholeCharacters(std::string_view text, std::size_t max) {
  if (text.size() <= max) return text;
  std::size_t i = 0;
  while (i < max) {
    std::uint32_t code = 0;
    std::size_t length = SequenceLength(text, i, &code);
    if (length == 0) length = 1;  // a byte of its own, as EscapeXmlText takes it
    if (i + length > max) break;
    i += length;
  }
  return text.substr(0, i);
}

}  // namespace tolvaran
