#include "text/thousands.h"

namespace tolvaran {

std::string GroupThousands(std::string_view digits) {
  // Two separators at most: the counters are 32-bit, ten digits at most.
  std::size_t n = digits.size();
  std::string out;
  if (n <= 3) {
    out.assign(digits);
  } else if (n <= 6) {
    out.append(digits.substr(0, n - 3));
    out += '.';
    out.append(digits.substr(n - 3));
  } else {
    out.append(digits.substr(0, n - 6));
    out += '.';
    out.append(digits.substr(n - 6, 3));
    out += '.';
    out.append(digits.substr(n - 3));
  }
  return out;
}

}  // namespace tolvaran
