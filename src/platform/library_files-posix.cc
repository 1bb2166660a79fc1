#include <dlfcn.h>
#include <link.h>
#include <sys/stat.h>

#include <string>

#include "platform/library_files.h"

namespace tolvaran {

namespace {

std::string FileNameOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool Exists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

}  // namespace

void* LoadLibraryFile(const std::string& name, bool, std::string* why) {
  why->clear();
  void* library = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library) return library;
  const char* error = dlerror();
  std::string text = error ? error : "";
  // A plain name the search did not find, or a path with nothing there:
  // no library here, which is no fault of the file.
  const bool plain = name.find('/') == std::string::npos;
  if (plain ? text.compare(0, name.size() + 1, name + ":") == 0 : !Exists(name)) return nullptr;
  // The loader names the file by the path it was given; its name is enough
  // where the message has little room.
  if (!plain) {
    for (std::size_t at = text.find(name); at != std::string::npos; at = text.find(name, at)) {
      text.replace(at, name.size(), FileNameOf(name));
    }
  }
  // The loader's words for a file it did not find, shortened to the form
  // the Windows build uses, so that the name fits into the error document.
  const std::string notFound = ": cannot open shared object file: No such file or directory";
  if (text.size() > notFound.size() &&
      text.compare(text.size() - notFound.size(), notFound.size(), notFound) == 0) {
    text = text.substr(0, text.size() - notFound.size()) + " missing";
  }
  *why = text.empty() ? "it cannot be loaded" : text;
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
