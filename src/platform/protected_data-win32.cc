#include "platform/win32_io.h"
// After windows.h (from win32_io.h), which it needs.
#include <dpapi.h>

#include <string>

#include "platform/protected_data.h"

namespace tolvaran {

namespace {

std::string ErrorText(DWORD code) {
  char text[256] = {};
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                           code, 0, text, sizeof text, nullptr);
  while (n > 0 &&
         (text[n - 1] == '\r' || text[n - 1] == '\n' || text[n - 1] == '.' || text[n - 1] == ' ')) {
    --n;
  }
  if (n > 0) return std::string(text, n);
  char number[32];
  wsprintfA(number, "error 0x%08lX", static_cast<unsigned long>(code));
  return number;
}

// The API takes its inputs through non-const pointers; it reads them only.
DATA_BLOB BlobOf(std::string_view bytes) {
  DATA_BLOB blob;
  blob.cbData = static_cast<DWORD>(bytes.size());
  blob.pbData = reinterpret_cast<BYTE*>(const_cast<char*>(bytes.data()));
  return blob;
}

std::wstring Wide(std::string_view text) {
  if (text.empty()) return std::wstring();
  int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) {
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0], n);
  }
  return wide;
}

}  // namespace

bool ProtectData(std::string_view secret, std::string_view entropy, ProtectionScope scope,
                 std::string_view description, std::string* blob, std::string* reason) {
  blob->clear();
  DATA_BLOB in = BlobOf(secret);
  DATA_BLOB salt = BlobOf(entropy);
  DATA_BLOB out = {};
  std::wstring name = Wide(description);
  DWORD flags = CRYPTPROTECT_UI_FORBIDDEN;
  if (scope == ProtectionScope::kMachine) flags |= CRYPTPROTECT_LOCAL_MACHINE;
  if (!CryptProtectData(&in, name.c_str(), &salt, nullptr, nullptr, flags, &out)) {
    *reason = ErrorText(GetLastError());
    return false;
  }
  blob->assign(reinterpret_cast<const char*>(out.pbData), out.cbData);
  LocalFree(out.pbData);
  return true;
}

bool UnprotectData(std::string_view blob, std::string_view entropy, std::string* secret,
                   std::string* reason) {
  secret->clear();
  DATA_BLOB in = BlobOf(blob);
  DATA_BLOB salt = BlobOf(entropy);
  DATA_BLOB out = {};
  if (!CryptUnprotectData(&in, nullptr, &salt, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &out)) {
    *reason = ErrorText(GetLastError());
    return false;
  }
  secret->assign(reinterpret_cast<const char*>(out.pbData), out.cbData);
  SecureZeroMemory(out.pbData, out.cbData);
  LocalFree(out.pbData);
  return true;
}

}  // namespace tolvaran
