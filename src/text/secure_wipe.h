// Overwriting secrets once they are no longer needed.
//
// A plain memset before memory is freed is a dead store the compiler may
// drop; writing through a volatile pointer it must keep.
#ifndef TOLVARAN_TEXT_SECURE_WIPE_H_
#define TOLVARAN_TEXT_SECURE_WIPE_H_

#include <cstddef>
#include <string>

namespace tolvaran {

inline void SecureWipe(void* data, std::size_t size) {
  volatile unsigned char* p = static_cast<volatile unsigned char*>(data);
  for (std::size_t i = 0; i < size; ++i) p[i] = 0;
}

// The whole buffer, not only the characters in use: a string that shrank
// keeps its old characters behind its end.
inline void SecureWipe(std::string* text) {
  text->resize(text->capacity());
  SecureWipe(&(*text)[0], text->size());
  text->clear();
}

}  // namespace tolvaran

#endif  // TOLVARAN_TEXT_SECURE_WIPE_H_
