#include "rfc/library_loader.h"

#include "platform/host.h"
#include "rfc/classic/classic_backend.h"
#include "rfc/nwrfc/nwrfc_backend.h"

namespace tolvaran {

namespace {

// With its closing separator, so that a name is simply appended.
std::string ExecutableDirectory(Host& host) {
  std::string exe = host.ExecutablePath();
  std::size_t slash = exe.find_last_of("\\/");
  return slash == std::string::npos ? "" : exe.substr(0, slash + 1);
}

}  // namespace

std::vector<RfcLibraryCandidate> RfcLibraryCandidates(const std::string& exe_dir) {
  std::vector<RfcLibraryCandidate> candidates;
  if (!exe_dir.empty()) {
    for (const RfcLibraryCandidate& name : RfcLibraryNames()) {
      candidates.push_back({exe_dir + name.path, name.netweaver});
    }
  }
  for (const RfcLibraryCandidate& name : RfcLibraryNames()) candidates.push_back(name);
  return candidates;
}

std::unique_ptr<RfcBackend> LoadRfcBackend(Host& host, std::string* file) {
  for (const RfcLibraryCandidate& candidate : RfcLibraryCandidates(ExecutableDirectory(host))) {
    void* library = OpenSharedLibrary(candidate.path);
    if (!library) continue;
    std::unique_ptr<RfcBackend> backend;
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
      if (file) *file = candidate.path;
      return backend;
    }
  }
  return nullptr;
}

}  // namespace tolvaran
