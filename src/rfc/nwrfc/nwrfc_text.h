// Text between this program's bytes and the NetWeaver library's UTF-16.
//
// The program's texts are single bytes (profile files, command line, the
// result document). They cross to the library as Latin-1: every byte is
// the code point of the same value. Coming back, a code point up to U+00FF
// is that byte again and every other one becomes "#", as SAP's own
// conversion does for a Latin-1 client. So a name the system holds in a
// script Latin-1 lacks still counts as one (marked) name, never as a
// shorter or longer one.
#ifndef TOLVARAN_RFC_NWRFC_NWRFC_TEXT_H_
#define TOLVARAN_RFC_NWRFC_NWRFC_TEXT_H_

#include <cstddef>
#include <string>
#include <string_view>

#include "rfc/nwrfc/nwrfc_api.h"

namespace tolvaran {

// One code unit as one byte: up to U+00FF that byte, every other one "#".
// Surrogates (U+D800..U+DFFF) lie above U+00FF as well: a character outside
// the Basic Multilingual Plane becomes "##", so a field read in code units
// still comes back at its width.
inline char SapUcToByte(SAP_UC unit) {
  return unit <= 0xFF ? static_cast<char>(static_cast<unsigned char>(unit)) : '#';
}

// One code unit per byte. The result's c_str() is the NUL-terminated text
// the library's parameters want; a NUL byte inside `bytes` ends the text
// there for the library, as it would for a classic char*.
std::u16string BytesToSapUc(std::string_view bytes);

// Exactly `length` code units as `length` bytes (a field read at its width;
// NULs included as they come).
std::string SapUcToBytes(const SAP_UC* text, std::size_t length);

// A text in an array of `capacity` code units, up to its first NUL or the
// whole array without one (the texts of RFC_ERROR_INFO).
std::string SapUcArrayToBytes(const SAP_UC* text, std::size_t capacity);

template <std::size_t N>
std::string SapUcArrayToBytes(const SAP_UC (&text)[N]) {
  return SapUcArrayToBytes(text, N);
}

}  // namespace tolvaran

#endif  // TOLVARAN_RFC_NWRFC_NWRFC_TEXT_H_
