#include <string>

#include "platform/private_file.h"
#include "platform/win32_io.h"

namespace tolvaran {

namespace {

std::string LastErrorText() {
  char text[256] = {};
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                           GetLastError(), 0, text, sizeof text, nullptr);
  while (n > 0 && (text[n - 1] == '\r' || text[n - 1] == '\n' || text[n - 1] == '.')) --n;
  return n > 0 ? std::string(text, n) : "it cannot be written";
}

}  // namespace

PrivateWrite WritePrivateFile(const std::string& path, std::string_view bytes, bool replace,
                              std::string* reason) {
  std::string temp;
  HANDLE h = INVALID_HANDLE_VALUE;
  if (replace) {
    h = CreateTemporaryBeside(path, &temp);
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
  bool ok = WriteAll(h, bytes);
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
