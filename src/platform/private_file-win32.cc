#ifndef _CRT_RAND_S
#define _CRT_RAND_S
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdlib>

#include "platform/private_file.h"

namespace tolvaran {

namespace {

std::string LastErrorText() {
  char text[256] = {};
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                           GetLastError(), 0, text, sizeof text, nullptr);
  while (n > 0 && (text[n - 1] == '\r' || text[n - 1] == '\n' || text[n - 1] == '.')) --n;
  return n > 0 ? std::string(text, n) : "it cannot be written";
}

HANDLE CreateExclusive(const std::string& path) {
  return CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                     FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

}  // namespace

PrivateWrite WritePrivateFile(const std::string& path, std::string_view bytes, bool replace,
                              std::string* reason) {
  std::string temp;
  HANDLE h = INVALID_HANDLE_VALUE;
  if (replace) {
    static const char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    for (int attempt = 0; attempt < 16 && h == INVALID_HANDLE_VALUE; ++attempt) {
      temp = path + ".tmp";
      for (int i = 0; i < 16; ++i) {
        unsigned int r = 0;
        rand_s(&r);
        temp += kDigits[r % 36];
      }
      h = CreateExclusive(temp);
      if (h == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) break;
    }
  } else {
    h = CreateExclusive(path);
    if (h == INVALID_HANDLE_VALUE &&
        (GetLastError() == ERROR_FILE_EXISTS || GetLastError() == ERROR_ALREADY_EXISTS)) {
      return PrivateWrite::kExists;
    }
  }
  if (h == INVALID_HANDLE_VALUE) {
    *reason = LastErrorText();
    return PrivateWrite::kFailed;
  }
  DWORD written = 0;
  bool ok = bytes.empty() ||
            (WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
             written == bytes.size());
  ok = FlushFileBuffers(h) && ok;
  if (!CloseHandle(h)) ok = false;
  if (ok && replace &&
      !MoveFileExA(temp.c_str(), path.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    ok = false;
  }
  if (!ok) {
    *reason = LastErrorText();
    DeleteFileA((replace ? temp : path).c_str());
    return PrivateWrite::kFailed;
  }
  return PrivateWrite::kWritten;
}

}  // namespace tolvaran
