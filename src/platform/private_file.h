// Files only their owner may read, for the system profiles that carry a
// (scrambled) password.
#ifndef TOLVARAN_PLATFORM_PRIVATE_FILE_H_
#define TOLVARAN_PLATFORM_PRIVATE_FILE_H_

#include <string>
#include <string_view>

namespace tolvaran {

enum class PrivateWrite { kWritten, kExists, kFailed };

// Writes `bytes` to the native path `path`, readable and writable by its
// owner only (0600 on POSIX; on Windows the directory's inherited access
// applies). Without `replace` the file is created only if nothing of that
// name exists, a link included. With `replace` it is written to a fresh
// temporary file beside it and renamed over the old one, so the old file
// is never truncated in place and a reader sees the old one or the new one.
// On kFailed `reason` says why.
PrivateWrite WritePrivateFile(const std::string& path, std::string_view bytes, bool replace,
                              std::string* reason);

}  // namespace tolvaran

#endif  // TOLVARAN_PLATFORM_PRIVATE_FILE_H_
