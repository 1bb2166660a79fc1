#ifndef _CRT_RAND_S
#define _CRT_RAND_S
#endif
#include <algorithm>
#include <cstdlib>

#include "platform/win32_io.h"

namespace tolvaran {

bool WriteAll(HANDLE h, std::string_view bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD written = 0;
    DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
    if (!::WriteFile(h, bytes.data() + done, want, &written, nullptr) || written == 0) return false;
    done += written;
  }
  return true;
}

HANDLE CreateExclusive(const std::string& path) {
  return CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                     FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

HANDLE CreateTemporaryBeside(const std::string& target, std::string* temp) {
  static const char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  for (int attempt = 0; attempt < 16; ++attempt) {
    std::string name = target + ".tmp";
    for (int i = 0; i < 16; ++i) {
      unsigned int r = 0;
      if (rand_s(&r) != 0) return INVALID_HANDLE_VALUE;
      name += kDigits[r % 36];
    }
    HANDLE h = CreateExclusive(name);
    if (h != INVALID_HANDLE_VALUE) {
      *temp = name;
      return h;
    }
    if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  return INVALID_HANDLE_VALUE;
}

}  // namespace tolvaran
