#include "sim_files.h"

#include <fstream>
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

bool ReadWholeFile(const fs::path& path, std::string* bytes) {
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) return false;
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

}  // namespace rfcsim
