// bcrypt through the C library's crypt (libxcrypt on Debian), which knows
// the $2a$, $2b$ and $2y$ prefixes that htpasswd -B and the exporter
// toolkit's users use.
#include <crypt.h>

#include <cstring>
#include <memory>
#include <string>

#include "exporter/web_config.h"

namespace tolvaran {

bool BcryptAvailable() { return true; }

bool BcryptMatches(const std::string& password, const std::string& hash) {
  if (hash.compare(0, 2, "$2") != 0) return false;
  auto data = std::make_unique<crypt_data>();
  const char* result = crypt_rn(password.c_str(), hash.c_str(), data.get(), sizeof *data);
  bool same = false;
  if (result && result[0] != '*' && std::strlen(result) == hash.size()) {
    unsigned char diff = 0;
    for (std::size_t i = 0; i < hash.size(); ++i) diff |= result[i] ^ hash[i];
    same = diff == 0;
  }
  std::memset(data.get(), 0, sizeof *data);
  return same;
}

}  // namespace tolvaran
