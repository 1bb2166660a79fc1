// The NetWeaver path's own inputs: an installed SapRfc.ini and the UTF-16
// texts the library hands back.
//
// Input: the destination, a NUL byte, then the SapRfc.ini text. The section
// reader must give only trimmed, single-line values and find nothing in a
// text without a DEST line; every value must survive the way to the library
// and back. The whole input read as UTF-16 code units must come back as one
// byte per unit, "#" exactly where a unit is above U+00FF.
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_checks.h"
#include "rfc/nwrfc/destination_section.h"
#include "rfc/nwrfc/nwrfc_text.h"

namespace tolvaran_fuzz {
namespace {

bool ContainsIgnoringCase(std::string_view text, std::string_view word) {
  for (std::size_t i = 0; i + word.size() <= text.size(); ++i) {
    std::size_t j = 0;
    while (j < word.size() && (text[i + j] | 0x20) == (word[j] | 0x20)) ++j;
    if (j == word.size()) return true;
  }
  return false;
}

void CheckValue(const std::string& value) {
  FUZZ_CHECK(value.find('\n') == std::string::npos);
  FUZZ_CHECK(value.empty() || (value.front() != ' ' && value.front() != '\t'));
  FUZZ_CHECK(value.empty() || (value.back() != ' ' && value.back() != '\t'));
  std::u16string wide = tolvaran::BytesToSapUc(value);
  FUZZ_CHECK(wide.size() == value.size());
  FUZZ_CHECK(tolvaran::SapUcToBytes(wide.data(), wide.size()) == value);
}

void Section(std::string_view ini, std::string_view destination) {
  tolvaran::DestinationSection s = tolvaran::ReadDestinationSection(ini, destination);
  if (!ContainsIgnoringCase(ini, "DEST")) FUZZ_CHECK(!s.found);
  if (!s.found) {
    FUZZ_CHECK(s.ashost.empty() && s.sysnr.empty() && s.mshost.empty() && s.msserv.empty() &&
               s.r3name.empty() && s.group.empty() && s.gwhost.empty() && s.gwserv.empty());
  }
  for (const std::string* value :
       {&s.ashost, &s.sysnr, &s.mshost, &s.msserv, &s.r3name, &s.group, &s.gwhost, &s.gwserv}) {
    CheckValue(*value);
    FUZZ_CHECK(value->size() <= ini.size());
  }
}

void Wide(const std::uint8_t* data, std::size_t size) {
  std::vector<SAP_UC> units(size / 2);
  if (!units.empty()) std::memcpy(units.data(), data, units.size() * 2);
  std::string bytes = tolvaran::SapUcToBytes(units.data(), units.size());
  FUZZ_CHECK(bytes.size() == units.size());
  for (std::size_t i = 0; i < units.size(); ++i) {
    FUZZ_CHECK(units[i] <= 0xFF ? static_cast<unsigned char>(bytes[i]) == units[i]
                                : bytes[i] == '#');
  }
  std::string array = tolvaran::SapUcArrayToBytes(units.data(), units.size());
  FUZZ_CHECK(array.size() <= units.size());
  FUZZ_CHECK(array.find('\0') == std::string::npos);
  FUZZ_CHECK(bytes.compare(0, array.size(), array) == 0);
}

}  // namespace
}  // namespace tolvaran_fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tolvaran_fuzz;
  std::string_view input(reinterpret_cast<const char*>(data), size);
  std::size_t nul = input.find('\0');
  if (nul != std::string_view::npos) {
    Section(input.substr(nul + 1), input.substr(0, nul));
  } else {
    Section(input, "PRD");
  }
  Wide(data, size);
  return 0;
}
