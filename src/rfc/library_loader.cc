#include "rfc/library_loader.h"

#include <algorithm>

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

std::string FileName(const std::string& path) {
  std::size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
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

RfcLibrarySearch FindRfcLibrary(Host& host) {
  RfcLibrarySearch search;
  for (const RfcLibraryCandidate& candidate : RfcLibraryCandidates(ExecutableDirectory(host))) {
    std::string name = FileName(candidate.path);
    if (std::find(search.names.begin(), search.names.end(), name) == search.names.end()) {
      search.names.push_back(name);
    }
    std::string why;
    void* library = LoadLibraryFile(candidate.path, candidate.netweaver, &why);
    if (!library) {
      // Windows' own search starts in the executable's directory: a plain
      // name failing the same way is the file already refused there.
      bool again = std::any_of(
          search.refused.begin(), search.refused.end(),
          [&](const RefusedRfcLibrary& r) { return r.name == name && r.reason == why; });
      if (!why.empty() && !again) {
        search.refused.push_back({candidate.path, name, candidate.netweaver, why});
      }
      continue;
    }
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
    if (!backend) {
      search.refused.push_back({candidate.path, name, candidate.netweaver,
                                std::string("it lacks entry points of the ") +
                                    (candidate.netweaver ? "NetWeaver" : "classic") +
                                    " RFC library"});
      continue;
    }
    search.backend = std::move(backend);
    search.file = candidate.path;
    search.netweaver = candidate.netweaver;
    if (candidate.netweaver) search.companions = LibraryCompanions(library);
    return search;
  }
  return search;
}

std::unique_ptr<RfcBackend> LoadRfcBackend(Host& host, std::string* file) {
  RfcLibrarySearch search = FindRfcLibrary(host);
  if (file) *file = search.file;
  return std::move(search.backend);
}

}  // namespace tolvaran
