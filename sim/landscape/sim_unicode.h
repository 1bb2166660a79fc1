// Text as a Unicode system holds it, for the NetWeaver library's UTF-16
// and for what either library hands a Latin-1 client.
//
// Written for the simulation on its own, not shared with the program: the
// simulated libraries must stay independent witnesses of what the program
// does with their texts.
#ifndef TOLVARAN_SIM_SIM_UNICODE_H_
#define TOLVARAN_SIM_SIM_UNICODE_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace rfcsim {

// UTF-8 to UTF-16; a byte that starts no valid sequence (an overlong form,
// a surrogate, beyond U+10FFFF, cut short) reads as U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);

// Each byte the code point of its value.
std::u16string Latin1ToUtf16(std::string_view text);
// UTF-16 as UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);

// What a Latin-1 client receives: code units up to U+00FF as bytes, every
// other one "#".
std::string Utf16ToLatin1(std::u16string_view text);

// `s` made exactly `width` code units: blank-padded on the right or cut.
std::u16string PadOrCutWide(std::u16string_view s, std::size_t width);

}  // namespace rfcsim

#endif  // TOLVARAN_SIM_SIM_UNICODE_H_
