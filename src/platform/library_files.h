// Loading the RFC library's file, what to say when one that is there does
// not load, and which companion files it brought along.
//
// The NetWeaver library is several files: sapnwrfc.dll (libsapnwrfc.so)
// imports libsapucum, which imports ICU's libraries, and all of them need
// the C++ runtime. When one is missing the library does not load, and the
// system's own message rarely says which.
#ifndef TOLVARAN_PLATFORM_LIBRARY_FILES_H_
#define TOLVARAN_PLATFORM_LIBRARY_FILES_H_

#include <string>
#include <vector>

namespace tolvaran {

// Loads the library `name`: a native path, or a plain name for the system's
// search, as OpenSharedLibrary does (`why` as there). On Windows a plain
// name is looked up in the program's directory, the system directory, the
// Windows directory and the directories of PATH, never in the current one.
// With `withCompanions` (the NetWeaver library), on Windows the
// DLLs it imports are looked for in its own directory first, then in the
// program's and the system directory, never in the current directory. Null on failure,
// with `why` saying in a few words why a file that is there does not load
// ("libsapucum.dll missing", "a 32-bit DLL for the 64-bit program", the
// system's message), and empty when there is no such file. Never a dialog.
void* LoadLibraryFile(const std::string& name, bool withCompanions, std::string* why);

struct LibraryCompanion {
  std::string name;  // as the importing file names it
  std::string path;  // where it was loaded from
};

// The files that the loaded `library` brought along and that are not the
// system's own, with where each was loaded from, in the order they were
// found.
std::vector<LibraryCompanion> LibraryCompanions(void* library);

}  // namespace tolvaran

#endif  // TOLVARAN_PLATFORM_LIBRARY_FILES_H_
