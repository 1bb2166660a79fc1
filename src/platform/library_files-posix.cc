#include <dlfcn.h>
#include <link.h>

#include <string>

#include "platform/host.h"
#include "platform/library_files.h"

namespace tolvaran {

namespace {

std::string FileNameOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

void* LoadLibraryFile(const std::string& name, bool, std::string* why) {
  why->clear();
  void* library = OpenSharedLibrary(name, why);
  if (library) return library;
  // The loader's words for a companion it did not find, shortened to the
  // form the Windows build uses, so that the name fits into the error
  // document.
  const std::string notFound = ": cannot open shared object file: No such file or directory";
  if (why->size() > notFound.size() &&
      why->compare(why->size() - notFound.size(), notFound.size(), notFound) == 0) {
    *why = why->substr(0, why->size() - notFound.size()) + " missing";
  }
  return nullptr;
}

std::vector<LibraryCompanion> LibraryCompanions(void* library) {
  std::vector<LibraryCompanion> companions;
  struct link_map* map = nullptr;
  if (!library || dlinfo(library, RTLD_DI_LINKMAP, &map) != 0 || !map) return companions;
  // What the loader mapped after the library came with it: nothing else is
  // loaded in between.
  for (struct link_map* next = map->l_next; next; next = next->l_next) {
    if (!next->l_name || !*next->l_name) continue;
    companions.push_back({FileNameOf(next->l_name), next->l_name});
  }
  return companions;
}

}  // namespace tolvaran
