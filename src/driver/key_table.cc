#include "driver/password.h"

namespace tolvaran {

// The key of the password scrambling. Profile files are written with it by
// tolvaran-profile, so it must never change once profiles exist.
//
// Every byte lies in 0x01..0x1F: a printable character XOR such a byte is
// again at least 0x20, so a stored value never holds NUL, CR, LF or Ctrl-Z,
// and stays printable except where it would become DEL (0x7F), which the
// tool avoids by its choice of key offset. The first four bytes, which mask
// the header digits, are below 0x10, so the header reads as "0".."?".
KeyTable BuildKeyTable() {
  static constexpr unsigned char kKey[32] = {0x0B, 0x05, 0x0E, 0x03, 0x17, 0x09, 0x1C, 0x12,
                                             0x06, 0x1E, 0x0D, 0x15, 0x02, 0x19, 0x11, 0x0C,
                                             0x1B, 0x07, 0x14, 0x0A, 0x1D, 0x04, 0x18, 0x0F,
                                             0x13, 0x08, 0x1F, 0x01, 0x16, 0x10, 0x1A, 0x0E};
  KeyTable table;
  for (int i = 0; i < 32; ++i) table[static_cast<std::size_t>(i)] = kKey[i];
  return table;
}

}  // namespace tolvaran
