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

// A place to load an RFC library from, and which of the two libraries the
// file name stands for.
struct RfcLibraryCandidate {
  std::string path;
  bool netweaver;
};

// The RFC library's file names on this platform, in the order they are
// tried: the classic library's before the NetWeaver library's.
const std::vector<RfcLibraryCandidate>& RfcLibraryNames();

// Where to look for the RFC library, in order: the executable's directory
// `exe_dir` (native, with its closing separator; may be empty), then the
// system's own search, each with every name of RfcLibraryNames().
std::vector<RfcLibraryCandidate> RfcLibraryCandidates(const std::string& exe_dir);
// A library file that is there but could not be used, and why.
struct RefusedRfcLibrary {
  std::string file;
  std::string name;  // the file's name without its directory
  bool netweaver = false;
  std::string reason;  // the loader's message, or the entry points it lacks
};

// What the search for the RFC library found.
struct RfcLibrarySearch {
  std::unique_ptr<RfcBackend> backend;     // null when none could be loaded
  std::string file;                        // the library loaded
  bool netweaver = false;                  // it is the NetWeaver library
  std::vector<RefusedRfcLibrary> refused;  // in the order they were tried
  std::vector<std::string> names;          // the file names looked for
  // The NetWeaver library's companion files, with where they came from.
  std::vector<LibraryCompanion> companions;
};

// Loads the first usable RFC library: the executable's directory first,
// then the system's search; in each place the classic library's names
// before the NetWeaver library's. A file that does not load, or lacks an
// entry point its backend needs, is refused and the search goes on.
RfcLibrarySearch FindRfcLibrary(Host& host);

// The backend of FindRfcLibrary alone; null when none is found; `file`
// (optional) names the library loaded.
std::unique_ptr<RfcBackend> LoadRfcBackend(Host& host, std::string* file);

}  // namespace tolvaran

#endif  // TOLVARAN_RFC_LIBRARY_LOADER_H_
