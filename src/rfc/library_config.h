// The RFC library's configuration file "SapRfc.ini": a system with a
// per-destination file "SapRfc.<destination>" has it installed under that
// name before its connection is opened.
//
// Checks that the monitor runs at once in one directory share the file, so
// it is replaced atomically under a lock file, and the lock is held from
// writing the file until the opening that reads it is done.
#ifndef TOLVARAN_RFC_LIBRARY_CONFIG_H_
#define TOLVARAN_RFC_LIBRARY_CONFIG_H_

#include <string>
#include <string_view>

namespace tolvaran {

class Host;

// Reads "SapRfc.<destination>"; false when there is none.
bool ReadDestinationConfig(Host& host, std::string_view destination, std::string* bytes);

// Takes the lock and installs `bytes` as "SapRfc.ini". False when the lock
// was not had in time or the file could not be written; the lock is then
// not held.
bool InstallLibraryConfig(Host& host, const std::string& bytes);

// Releases the lock taken by InstallLibraryConfig, if it is held. Also
// called by the library's error handler before the process ends, so that
// no other check waits for a lock whose owner is gone.
void ReleaseLibraryConfigLock();

}  // namespace tolvaran

#endif  // TOLVARAN_RFC_LIBRARY_CONFIG_H_
