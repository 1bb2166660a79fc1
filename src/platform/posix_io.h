// File writing that the POSIX host and the profile tool's private files
// share. POSIX builds only.
#ifndef TOLVARAN_PLATFORM_POSIX_IO_H_
#define TOLVARAN_PLATFORM_POSIX_IO_H_

#include <string>
#include <string_view>

namespace tolvaran {

// Writes every byte, retrying after signals; false on an error.
bool WriteAll(int fd, std::string_view bytes);

// Creates `path` owner-only for writing, only if no file or link of that
// name exists; -1 (errno set) otherwise.
int CreateExclusive(const std::string& path);

// Creates `target` + ".tmp" + sixteen random letters and digits, only if no
// file (or link) of that name exists: a name planted in advance can neither
// be foreseen nor written through. Owner-only until the caller widens it.
int CreateTemporaryBeside(const std::string& target, std::string* temp);

}  // namespace tolvaran

#endif  // TOLVARAN_PLATFORM_POSIX_IO_H_
