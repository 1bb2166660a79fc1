// The RFC library's configuration file "SapRfc.ini": a system with a
// per-destination file "SapRfc.<destination>" has it installed under that
// name before its connection is opened.
//
// Checks that the monitor runs at once in one directory share that file, so
// it is replaced atomically under a lock file. No library reads the shared
// file: the classic library takes the file's path from the environment
// variable RFC_INI, which names the check's own "SapRfc.<destination>", and
// the NetWeaver library is handed the destination's entries, read from the
// bytes installed. So the lock is held only while SapRfc.ini is written,
// never across an opening: openings of different systems run side by side,
// and one that hangs keeps nobody waiting.
#ifndef TOLVARAN_RFC_LIBRARY_CONFIG_H_
#define TOLVARAN_RFC_LIBRARY_CONFIG_H_

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/worker_process.h"

namespace tolvaran {

class Host;

// The most bytes a per-destination file may hold: a hand-edited text of a
// few lines. A larger one is refused without reading it to its end, so that
// neither the copy nor the library's reading of it can outlast a deadline.
constexpr std::size_t kDestinationConfigLimit = 1u << 20;

// True when the system has a per-destination file "SapRfc.<destination>"
// (a regular file: a FIFO or device is never waited for).
bool HasDestinationConfig(Host& host, std::string_view destination);

// The gateway that the destination's section of "SapRfc.<destination>"
// names (GWHOST, GWSERV; empty where it names none), read without
// installing the file. False when the file cannot be read or is larger
// than kDestinationConfigLimit, with `refusal` saying so as
// InstallLibraryConfig does.
bool ReadDestinationGateway(Host& host, std::string_view destination, std::string* gatewayHost,
                            std::string* gatewayService, std::string* refusal);

// Sets RFC_INI to the full path of "SapRfc.<destination>" when that file is
// there (otherwise the environment is left as it is). Called before the
// library is loaded, for a library that reads the variable once; calling it
// again for the same destination changes nothing.
void UseDestinationConfig(Host& host, std::string_view destination);

// Reads "SapRfc.<destination>" into `bytes` and installs it as "SapRfc.ini",
// with the source's permission bits, under the lock. The lock is waited for
// 30 s at most, less when `deadline` comes sooner, and released before this
// returns. False when the file was not installed, with `refusal` saying why
// ("SapRfc.PRD too large", "SapRfc.ini busy", ...).
bool InstallLibraryConfig(Host& host, std::string_view destination, Deadline deadline,
                          std::string* bytes, std::string* refusal);

// Called at the run's deadline, from the deadline's own thread, before the
// process ends: waits for a replacement of SapRfc.ini in progress, so that
// no temporary file is left, and releases the lock if it is held. The
// process may end at once afterwards.
void ReleaseLibraryConfigLock();

// Removes what checks ended from outside (a worker killed at the deadline)
// may have left halfway through an installation: a temporary file and the
// lock file. Only when the lock is free at once; a check that holds it
// removes such files itself.
void RemoveLibraryConfigLeftovers(Host& host);

}  // namespace tolvaran

#endif  // TOLVARAN_RFC_LIBRARY_CONFIG_H_
