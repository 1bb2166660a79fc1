#include "rfc/connect_string.h"

namespace tolvaran {

bool BuildConnectString(const std::vector<ConnectPair>& pairs, std::string* out) {
  out->clear();
  for (const ConnectPair& pair : pairs) {
    if (pair.value.find_first_of("\"\r\n") != std::string_view::npos) {
      out->clear();
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
