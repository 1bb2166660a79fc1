// clang-format off
#include "platform/win32_io.h"
// clang-format on

#include <aclapi.h>
#include <sddl.h>

#include <string>
#include <vector>

#include "platform/folder_trust.h"

namespace tolvaran {

namespace {

// Rights on a folder that let one add, replace or remove what is in it, or
// give oneself those rights.
constexpr ACCESS_MASK kWriteRights = FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY | FILE_DELETE_CHILD |
                                     WRITE_DAC | WRITE_OWNER | DELETE | GENERIC_WRITE | GENERIC_ALL;

// NT SERVICE\TrustedInstaller, which owns Windows' own folders.
const char kTrustedInstaller[] = "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";

std::string SidText(PSID sid) {
  char* text = nullptr;
  if (!ConvertSidToStringSidA(sid, &text)) return "an unknown account";
  std::string result = text;
  LocalFree(text);
  return result;
}

// The account the process runs as (LocalSystem under a monitor's probe).
std::vector<BYTE> ProcessUser() {
  std::vector<BYTE> user;
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return user;
  DWORD size = 0;
  GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  if (size > 0) {
    user.resize(size);
    if (!GetTokenInformation(token, TokenUser, user.data(), size, &size)) user.clear();
  }
  CloseHandle(token);
  return user;
}

bool IsTrusted(PSID sid) {
  if (IsWellKnownSid(sid, WinBuiltinAdministratorsSid) || IsWellKnownSid(sid, WinLocalSystemSid))
    return true;
  if (SidText(sid) == kTrustedInstaller) return true;
  static const std::vector<BYTE> user = ProcessUser();
  return !user.empty() && EqualSid(sid, reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid);
}

}  // namespace

bool OnlyAdminsCanWrite(const std::string& path, std::string* why) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    *why = "is not there";
    return false;
  }
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    *why = "is not a folder";
    return false;
  }
  PSID owner = nullptr;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  DWORD error = GetNamedSecurityInfoA(path.c_str(), SE_FILE_OBJECT,
                                      OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                      &owner, nullptr, &dacl, nullptr, &descriptor);
  if (error != ERROR_SUCCESS) {
    *why = "has access rights that cannot be read (error " + std::to_string(error) + ")";
    return false;
  }
  bool trusted = true;
  if (!owner || !IsTrusted(owner)) {
    *why = "is owned by " + (owner ? SidText(owner) : std::string("nobody")) +
           ", not an administrator";
    trusted = false;
  } else if (!dacl) {
    *why = "has no access list: everybody may write";
    trusted = false;
  }
  for (DWORD i = 0; trusted && i < dacl->AceCount; ++i) {
    void* entry = nullptr;
    if (!GetAce(dacl, i, &entry)) continue;
    auto* header = static_cast<ACE_HEADER*>(entry);
    // Entries only passed on to what is made inside do not apply here.
    if (header->AceType != ACCESS_ALLOWED_ACE_TYPE || (header->AceFlags & INHERIT_ONLY_ACE))
      continue;
    auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(entry);
    PSID sid = reinterpret_cast<PSID>(&allowed->SidStart);
    if ((allowed->Mask & kWriteRights) && !IsTrusted(sid) &&
        !IsWellKnownSid(sid, WinCreatorOwnerSid)) {
      *why = "is writable by " + SidText(sid);
      trusted = false;
    }
  }
  LocalFree(descriptor);
  return trusted;
}

}  // namespace tolvaran
