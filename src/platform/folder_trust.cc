#include "platform/folder_trust.h"

#include "platform/host.h"

namespace tolvaran {

bool AdminOnlyFolderPath(Host& host, const std::string& dir, std::string* why) {
  why->clear();
  // "\A\B\" or "C:\A\B\": each folder after the root's separator.
  std::size_t start = dir.find('\\');
  if (start == std::string::npos) return true;
  for (std::size_t end = dir.find('\\', start + 1); end != std::string::npos;
       end = dir.find('\\', end + 1)) {
    std::string folder = dir.substr(0, end);
    if (end == start + 1) continue;
    std::string reason;
    if (!OnlyAdminsCanWrite(host.NativePath(folder), &reason)) {
      *why = host.NativePath(folder) + " " + reason;
      return false;
    }
  }
  return true;
}

}  // namespace tolvaran
