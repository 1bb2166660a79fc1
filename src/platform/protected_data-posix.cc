#include "platform/protected_data.h"

namespace tolvaran {

namespace {

constexpr char kNoDpapi[] = "DPAPI needs Windows";

}  // namespace

bool ProtectData(std::string_view, std::string_view, ProtectionScope, std::string_view,
                 std::string* blob, std::string* reason) {
  blob->clear();
  *reason = kNoDpapi;
  return false;
}

bool UnprotectData(std::string_view, std::string_view, std::string* secret, std::string* reason) {
  secret->clear();
  *reason = kNoDpapi;
  return false;
}

}  // namespace tolvaran
