#include "driver/library_search.h"

#include <utility>

#include "driver/error_exit.h"

namespace tolvaran {

namespace {

// "a, b or c".
std::string NamesLookedFor(const RfcLibrarySearch& search) {
  std::string names;
  for (std::size_t i = 0; i < search.names.size(); ++i) {
    if (i > 0) names += i + 1 == search.names.size() ? " or " : ", ";
    names += search.names[i];
  }
  return names;
}

}  // namespace

std::shared_ptr<RfcBackend> RequireRfcBackend(Host& host) {
  RfcLibrarySearch search = FindRfcLibrary(host);
  if (!search.backend) FatalError(LibraryLoadFailure(search));
  return std::shared_ptr<RfcBackend>(std::move(search.backend));
}

std::string LibraryLoadFailure(const RfcLibrarySearch& search) {
  // The error document's message holds 127 characters.
  constexpr std::size_t kMessageMax = 127;
  const std::string tail = " !";
  if (!search.refused.empty()) {
    const RefusedRfcLibrary& first = search.refused.front();
    std::string head = "Error 1010: RFC library " + first.name + " could not be loaded: ";
    std::string reason = first.reason;
    std::size_t room =
        kMessageMax > head.size() + tail.size() ? kMessageMax - head.size() - tail.size() : 0;
    if (reason.size() > room) reason.resize(room);
    return (head + reason + tail).substr(0, kMessageMax);
  }
  return ("Error 1010: RFC library librfc32 could not be loaded: no " + NamesLookedFor(search) +
          " found" + tail)
      .substr(0, kMessageMax);
}

std::string LibraryVersionLines(const RfcLibrarySearch& search) {
  std::string lines;
  if (search.backend) {
    lines = "RFC library: " + search.file + " (" + search.backend->Describe() + ")\n";
    for (const LibraryCompanion& companion : search.companions) {
      lines += "  with " + companion.name + ": " + companion.path + "\n";
    }
  } else if (search.refused.empty()) {
    lines = "RFC library: none found (" + NamesLookedFor(search) + ")\n";
  }
  for (const RefusedRfcLibrary& refused : search.refused) {
    lines += "RFC library: " + refused.file + " found but not loadable: " + refused.reason;
    if (search.netweaver && !refused.netweaver) lines += "; the NetWeaver library is used";
    lines += "\n";
  }
  return lines;
}

}  // namespace tolvaran
