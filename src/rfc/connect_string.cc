#include "rfc/connect_string.h"

namespace tolvaran {

bool BuildConnectString(const std::vector<ConnectPair>& pairs, std::string* out, char* refused) {
  out->clear();
  for (const ConnectPair& pair : pairs) {
    std::size_t bad = pair.value.find_first_of("\"\r\n");
    if (bad != std::string_view::npos) {
      out->clear();
      if (refused) *refused = pair.value[bad];
      return false;
    }
    if (!out->empty()) *out += ' ';
    *out += pair.key;
    *out += '=';
    if (pair.value.find_first_of(" \t") != std::string_view::npos) {
      *out += '"';
      *out += pair.value;
      *out += '"';
    } else {
      *out += pair.value;
    }
  }
  return true;
}

}  // namespace tolvaran
