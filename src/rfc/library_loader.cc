#include "rfc/library_loader.h"

#include "platform/host.h"
#include "rfc/classic/classic_backend.h"
#include "rfc/nwrfc/nwrfc_backend.h"

namespace tolvaran {

namespace {

std::string ExecutableDirectory(Host& host) {
  std::string exe = host.ExecutablePath();
  std::size_t slash = exe.find_last_of("\\/");
  return slash == std::string::npos ? "" : exe.substr(0, slash);
}

std::string FileNameOf(const std::string& path) {
  std::size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::unique_ptr<RfcBackend> LoadRfcBackend(Host& host, LibraryReport* report) {
  LibraryReport found;
  std::unique_ptr<RfcBackend> backend;
  for (const RfcLibraryCandidate& candidate : RfcLibraryCandidates(ExecutableDirectory(host))) {
    std::string why;
    void* library = LoadLibraryFile(candidate.path, candidate.netweaver, &why);
    if (!library) {
      if (!why.empty() && found.unloadable.empty()) {
        found.unloadable = FileNameOf(candidate.path);
        found.reason = why;
      }
      continue;
    }
    if (candidate.netweaver) {
      NetWeaverLibrary lib;
      if (BindNetWeaverLibrary(library, &lib)) backend = MakeNetWeaverBackend(host, lib);
    } else {
      ClassicLibrary lib;
      if (BindClassicLibrary(library, &lib)) backend = MakeClassicBackend(host, lib);
    }
    // A library without every entry point is not the RFC library; the
    // search goes on rather than calling through a null pointer later.
    if (backend) {
      found.file = candidate.path;
      if (candidate.netweaver) found.companions = LibraryCompanions(library);
      break;
    }
  }
  if (report) *report = std::move(found);
  return backend;
}

}  // namespace tolvaran
