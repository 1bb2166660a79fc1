// Whether a folder could hold something a local user planted: the fixed
// places the monitor's probe reads profiles from lie below a drive's root,
// where Windows lets every authenticated user make a folder.
#ifndef TOLVARAN_PLATFORM_FOLDER_TRUST_H_
#define TOLVARAN_PLATFORM_FOLDER_TRUST_H_

#include <string>

namespace tolvaran {

class Host;

// Whether the native folder `path` is there, is owned by an administrator,
// the system or the account running the program, and lets nobody else add,
// change or remove what is in it. False with `why` in a few words ("not
// there", "owned by S-1-5-21-...", "writable by Everyone") when not.
bool OnlyAdminsCanWrite(const std::string& path, std::string* why);

// The same for every folder of the Windows path `dir` ("\Program Files\X\")
// below its drive's root, as `host` maps them, from the top down: the root
// itself is not asked, since any user may make a folder there, which is
// exactly a folder this finds owned by that user. `why` then starts with
// the first folder that fails, as a native path.
bool AdminOnlyFolderPath(Host& host, const std::string& dir, std::string* why);

}  // namespace tolvaran

#endif  // TOLVARAN_PLATFORM_FOLDER_TRUST_H_
