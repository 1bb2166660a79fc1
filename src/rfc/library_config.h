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

// True when the system has a per-destination file "SapRfc.<destination>"
// (a regular file: a FIFO or device is never waited for).
bool HasDestinationConfig(Host& host, std::string_view destination);

// The gateway that the destination's section of "SapRfc.<destination>"
// names (GWHOST, GWSERV; empty where it names none), read without
// installing the file. False when the file cannot be read.
bool ReadDestinationGateway(Host& host, std::string_view destination, std::string* gatewayHost,
                            std::string* gatewayService);

// Takes the lock and installs "SapRfc.<destination>" as "SapRfc.ini", with
// the source's permission bits. False when the lock was not had in time
// (or can never be had) or the file could not be written; the lock is then
// not held.
bool InstallLibraryConfig(Host& host, std::string_view destination);

// Releases the lock taken by InstallLibraryConfig, if it is held. Also
// called by the library's error handler before the process ends, so that
// no other check waits for a lock whose owner is gone.
void ReleaseLibraryConfigLock();

}  // namespace tolvaran

#endif  // TOLVARAN_RFC_LIBRARY_CONFIG_H_
