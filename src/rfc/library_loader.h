// Finding and loading the RFC library at run time.
#ifndef TOLVARAN_RFC_LIBRARY_LOADER_H_
#define TOLVARAN_RFC_LIBRARY_LOADER_H_

#include <memory>
#include <string>

#include "rfc/backend.h"

namespace tolvaran {

class Host;

// Loads the first usable RFC library: the executable's directory first,
// then the system's search; in each place the classic library's names
// before the NetWeaver library's. A library without every entry point its
// backend needs is skipped. Null when none is found; `file` (optional)
// names the library loaded.
std::unique_ptr<RfcBackend> LoadRfcBackend(Host& host, std::string* file);

}  // namespace tolvaran

#endif  // TOLVARAN_RFC_LIBRARY_LOADER_H_
