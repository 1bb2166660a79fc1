// Finding and loading the RFC library at run time.
#ifndef TOLVARAN_RFC_LIBRARY_LOADER_H_
#define TOLVARAN_RFC_LIBRARY_LOADER_H_

#include <memory>
#include <string>
#include <vector>

#include "platform/library_files.h"
#include "rfc/backend.h"

namespace tolvaran {

class Host;

// What a search for the library found.
struct LibraryReport {
  std::string file;  // the library loaded
  // The NetWeaver library's companions, with where they came from.
  std::vector<LibraryCompanion> companions;
  // The first library that is there but did not load: its file name and
  // why ("sapnwrfc.dll", "libsapucum.dll missing"); empty when none was.
  std::string unloadable;
  std::string reason;
};

// Loads the first usable RFC library: the executable's directory first,
// then the system's search; in each place the classic library's names
// before the NetWeaver library's. A library without every entry point its
// backend needs is skipped. Null when none is found; `report` (optional)
// says what was found.
std::unique_ptr<RfcBackend> LoadRfcBackend(Host& host, LibraryReport* report);

}  // namespace tolvaran

#endif  // TOLVARAN_RFC_LIBRARY_LOADER_H_
