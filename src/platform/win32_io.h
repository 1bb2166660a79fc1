// The Windows API, for every Windows source of the program: <windows.h>
// with the program's preamble (lean, no min/max macros), included here
// only. Also the file writing that the Windows host and the profile tool's
// private files share. Windows builds only.
#ifndef TOLVARAN_PLATFORM_WIN32_IO_H_
#define TOLVARAN_PLATFORM_WIN32_IO_H_

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <string>
#include <string_view>

namespace tolvaran {

// Writes every byte, in pieces a single WriteFile takes; false on an error.
bool WriteAll(HANDLE h, std::string_view bytes);

// Creates `path` for writing only if no file or link of that name exists
// (CREATE_NEW); INVALID_HANDLE_VALUE otherwise.
HANDLE CreateExclusive(const std::string& path);

// Creates `target` + ".tmp" + sixteen random letters and digits, only if no
// file or link of that name exists (CREATE_NEW): a name planted in advance
// can neither be foreseen nor written through.
HANDLE CreateTemporaryBeside(const std::string& target, std::string* temp);

}  // namespace tolvaran

#endif  // TOLVARAN_PLATFORM_WIN32_IO_H_
