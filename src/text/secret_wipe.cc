#include "text/secret_wipe.h"

namespace tolvaran {

void WipeBytes(void* data, std::size_t size) {
  // Every store goes through a volatile pointer: the compiler must make it,
  // even right before the memory is freed.
  volatile unsigned char* bytes = static_cast<volatile unsigned char*>(data);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = 0;
}

}  // namespace tolvaran
