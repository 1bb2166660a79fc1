// The Windows builds have no bcrypt (Windows offers none, and no
// well-kept library for it links into the program): a web configuration
// with users is refused at start.
#include <string>

#include "exporter/web_config.h"

namespace tolvaran {

bool BcryptAvailable() { return false; }

bool BcryptMatches(const std::string&, const std::string&) { return false; }

}  // namespace tolvaran
