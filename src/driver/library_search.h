// What the run says about the RFC library it looked for: the error document
// when none loads, and --version's lines.
#ifndef TOLVARAN_DRIVER_LIBRARY_SEARCH_H_
#define TOLVARAN_DRIVER_LIBRARY_SEARCH_H_

#include <memory>
#include <string>

#include "platform/host.h"
#include "rfc/backend.h"
#include "rfc/library_loader.h"

namespace tolvaran {

// Loads the library once. When none can be loaded, the run ends with
// error 1010 (LibraryLoadFailure).
std::shared_ptr<RfcBackend> RequireRfcBackend(Host& host);

// The message of error 1010 for a search that loaded nothing: the first
// file that is there and why it did not load, or the names looked for.
// At most 127 characters, the loader's message cut to fit.
std::string LibraryLoadFailure(const RfcLibrarySearch& search);

// What --version says about the library after the program's own line: the
// one loaded (or that none was found), for the NetWeaver library a line per
// companion file ("  with libsapucum.dll: <where>"), then each file that is
// there but did not load, and why. Every line ends with a line feed.
std::string LibraryVersionLines(const RfcLibrarySearch& search);

}  // namespace tolvaran

#endif  // TOLVARAN_DRIVER_LIBRARY_SEARCH_H_
