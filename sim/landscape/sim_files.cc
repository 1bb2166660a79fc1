#include "sim_files.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <system_error>

#include "sim_config.h"

namespace rfcsim {

namespace fs = std::filesystem;

fs::path FindIgnoringCase(const fs::path& path) {
  std::error_code ec;
  if (fs::exists(path, ec)) return path;
  fs::path dir = path.parent_path();
  std::string name = path.filename().string();
  fs::directory_iterator it(dir.empty() ? fs::path(".") : dir, ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    std::string candidate = it->path().filename().string();
    if (EqualsIgnoringCase(candidate, name)) return dir / candidate;
  }
  return path;
}

fs::path LibraryConfigPath(const char* defaultName) {
  const char* named = std::getenv("RFC_INI");
  if (named != nullptr && *named != '\0') return fs::path(named);
  return FindIgnoringCase(defaultName);
}

bool ReadWholeFile(const fs::path& path, std::string* bytes) {
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) return false;
  // C stdio rather than a stream: no locale is set up for it, which keeps
  // the library quick to load and to call.
  std::FILE* in = std::fopen(path.string().c_str(), "rb");
  if (!in) return false;
  bytes->clear();
  // Read whole in one go where the size is known: a landscape may be
  // megabytes, read at every opening.
  std::uintmax_t size = fs::file_size(path, ec);
  if (!ec && size > 0 && size < (std::uintmax_t{1} << 30)) {
    bytes->resize(static_cast<std::size_t>(size));
    bytes->resize(std::fread(&(*bytes)[0], 1, bytes->size(), in));
  }
  char buffer[8192];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0) bytes->append(buffer, n);
  bool ok = !std::ferror(in);
  std::fclose(in);
  return ok;
}

}  // namespace rfcsim
