// A well-formedness check for the XML the program writes, without an XML
// library: its documents only have elements without attributes, text, and
// the entities &amp; &lt; &gt;. What it checks is what a monitor's parser
// rejects a document for: tags that do not nest, a "<" or "&" of the text's
// own, "]]>" in text, bytes that are no UTF-8, characters XML does not allow.
#ifndef TOLVARAN_FUZZ_XML_CHECK_H_
#define TOLVARAN_FUZZ_XML_CHECK_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tolvaran_fuzz {

// "" when `doc` is well-formed, else what is wrong. With `fragment` the
// top level may hold any number of elements (the channels a listing writes
// one by one), otherwise exactly one. With `may_be_cut` the document may end
// anywhere (a buffer that reached its capacity): what is there must be the
// start of a well-formed one.
inline std::string XmlWellFormedFault(std::string_view doc, bool fragment, bool may_be_cut) {
  std::vector<std::string_view> open;
  int roots = 0;
  std::size_t i = 0;
  auto is_space = [](char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t'; };
  while (i < doc.size()) {
    const unsigned char c = static_cast<unsigned char>(doc[i]);
    if (c == '<') {
      std::size_t close = doc.find('>', i);
      if (close == std::string_view::npos) return may_be_cut ? "" : "a tag is not closed";
      std::string_view tag = doc.substr(i + 1, close - i - 1);
      bool end = !tag.empty() && tag[0] == '/';
      std::string_view name = end ? tag.substr(1) : tag;
      if (name.empty()) return "an empty tag";
      for (char n : name) {
        bool ok = (n >= 'A' && n <= 'Z') || (n >= 'a' && n <= 'z') || (n >= '0' && n <= '9');
        if (!ok) return "a tag name holds '" + std::string(1, n) + "'";
      }
      if (end) {
        if (open.empty() || open.back() != name)
          return "</" + std::string(name) + "> closes nothing";
        open.pop_back();
      } else {
        if (open.empty() && ++roots > 1 && !fragment) return "a second root element";
        open.push_back(name);
      }
      i = close + 1;
      continue;
    }
    if (open.empty() && !is_space(doc[i])) return "text outside the root element";
    if (c == '&') {
      std::string_view rest = doc.substr(i);
      bool known = false;
      for (std::string_view entity : {"&amp;", "&lt;", "&gt;"}) {
        if (rest.substr(0, entity.size()) == entity) {
          i += entity.size();
          known = true;
          break;
        }
        if (may_be_cut && entity.substr(0, rest.size()) == rest) return "";
      }
      if (!known) return "an '&' that starts no entity";
      continue;
    }
    if (c == '>' && i >= 2 && doc[i - 1] == ']' && doc[i - 2] == ']') return "\"]]>\" in text";
    // One UTF-8 character, which must be one XML allows.
    std::size_t length = c < 0x80                 ? 1
                         : c >= 0xC2 && c <= 0xDF ? 2
                         : c >= 0xE0 && c <= 0xEF ? 3
                         : c >= 0xF0 && c <= 0xF4 ? 4
                                                  : 0;
    if (length == 0) return "a byte that starts no UTF-8 character";
    if (doc.size() - i < length) return may_be_cut ? "" : "a cut UTF-8 character";
    std::uint32_t code = length == 1 ? c : c & (0xFFu >> (length + 1));
    for (std::size_t k = 1; k < length; ++k) {
      const unsigned char next = static_cast<unsigned char>(doc[i + k]);
      if ((next & 0xC0) != 0x80) return "a UTF-8 sequence broken off";
      code = (code << 6) | (next & 0x3Fu);
    }
    static const std::uint32_t kLeast[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kLeast[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
      return "an overlong or impossible UTF-8 character";
    }
    if ((code < 0x20 && code != '\t' && code != '\n' && code != '\r') || code == 0xFFFE ||
        code == 0xFFFF) {
      return "a character XML does not allow";
    }
    i += length;
  }
  if (may_be_cut) return "";
  if (!open.empty()) return "<" + std::string(open.back()) + "> is not closed";
  if (roots == 0 && !fragment) return "no root element";
  return "";
}

}  // namespace tolvaran_fuzz

#endif  // TOLVARAN_FUZZ_XML_CHECK_H_
