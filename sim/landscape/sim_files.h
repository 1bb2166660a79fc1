// Finding and reading the simulation's files in the current directory.
//
// The real library runs on Windows, where file names ignore case; the tests
// and the demo write "SapSim.ini" or "sapsim.ini" as they like, so names are
// matched without regard to case on every platform.
#ifndef TOLVARAN_SIM_SIM_FILES_H_
#define TOLVARAN_SIM_SIM_FILES_H_

#include <filesystem>
#include <string>

namespace rfcsim {

// The path of an existing file whose name equals the last component of
// `path` without regard to case; `path` itself when there is none.
std::filesystem::path FindIgnoringCase(const std::filesystem::path& path);

// The library's configuration file, as SAP's libraries find it: the file
// the environment variable RFC_INI names (a full path, or one relative to
// the current directory) when it is set and not empty, else `defaultName`
// in the current directory. Looked up afresh at every call.
std::filesystem::path LibraryConfigPath(const char* defaultName);

// Reads a regular file whole, as raw bytes; false when that is not possible.
bool ReadWholeFile(const std::filesystem::path& path, std::string* bytes);

}  // namespace rfcsim

#endif  // TOLVARAN_SIM_SIM_FILES_H_
