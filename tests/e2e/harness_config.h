// Where the harness finds the program, the cases and its scratch space.
// Each setting comes from a command-line flag, else from the environment,
// else from what CMake compiled in, so that plain `ctest` needs no setup
// and the same cases can be pointed at another build (the Windows one,
// under Wine) without rebuilding the harness.
#ifndef TOLVARAN_TESTS_E2E_HARNESS_CONFIG_H_
#define TOLVARAN_TESTS_E2E_HARNESS_CONFIG_H_

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "case_file.h"

namespace tolvaran_e2e {

struct Config {
  std::string program;                // absolute path of the program under test
  std::vector<std::string> launcher;  // run before the program, e.g. {"wine"}
  std::string cases_dir;              // absolute; holds the *.case files
  std::string data_dir;               // absolute; "=== copy" sources are below it
  std::string scratch_root;           // absolute; one directory per case below it
  std::string library;                // absolute path of the RFC library, or empty
  // Which library `library` is. A NetWeaver run never runs the built program
  // in place: beside it the classic library would be found first.
  LibraryKind library_kind = LibraryKind::kClassic;
  Platform target = Platform::kPosix;
  std::chrono::seconds timeout{60};
  std::vector<std::string> only_cases;  // from --case: run just these
  // For "=== drive C" under Wine: the wineserver that belongs to the
  // launcher (empty: none known), and the prefix whose registry and Windows
  // folder a case's own Wine setup borrows (WINEPREFIX, else ~/.wine).
  std::string wineserver;
  std::string wine_prefix;
  // The Python that runs the validators of "=== validate" (validation.h),
  // which are in `data_dir`/validators.
  std::string python;
};

// What the build compiled in; any of them may be empty.
struct Defaults {
  std::string program;
  std::string launcher;
  std::string cases_dir;
  std::string data_dir;
  std::string scratch_root;
  std::string library;  // a file name is looked up beside the program
  std::string target;   // "posix", "windows", or empty to guess
  std::string wineserver;
  std::string python;
};

#ifdef TOLVARAN_E2E_DEFAULT_PROGRAM
// The defaults the build wrote into the runners' compile definitions.
inline Defaults CompiledDefaults() {
  Defaults defaults;
  defaults.program = TOLVARAN_E2E_DEFAULT_PROGRAM;
  defaults.launcher = TOLVARAN_E2E_DEFAULT_LAUNCHER;
  defaults.cases_dir = TOLVARAN_E2E_DEFAULT_CASES;
  defaults.data_dir = TOLVARAN_E2E_DEFAULT_DATA;
  defaults.scratch_root = TOLVARAN_E2E_DEFAULT_SCRATCH;
  defaults.library = TOLVARAN_E2E_DEFAULT_LIBRARY;
  defaults.target = TOLVARAN_E2E_DEFAULT_TARGET;
  defaults.wineserver = TOLVARAN_E2E_DEFAULT_WINESERVER;
  defaults.python = TOLVARAN_E2E_DEFAULT_PYTHON;
  return defaults;
}
#endif

// Looks up an environment variable; null when unset.
using EnvLookup = std::function<const char*(const char*)>;

// Removes the harness's own flags (--program=... and so on) from argv and
// combines them with the environment and `defaults`. Throws
// std::invalid_argument on a bad or missing setting.
Config LoadConfig(int* argc, char** argv, const Defaults& defaults, const EnvLookup& env);

// Where a run's scratch folders go: `scratch_root`, or beside it for a
// NetWeaver run ("<root>-nw"), so that both runs of a case can go at once.
std::string ScratchRoot(const Config& config);

// The file name a copy of the program gets when a case names it `name`
// (which may include folders): for a Windows target ".exe" is added unless
// the name already ends in it (any case), since Windows starts only files
// with that extension; the program ignores the extension when it picks its
// dialect, so the case still tests the name it gives.
std::string ProgramCopyName(const std::string& name, Platform target);

// The companion files of the RFC library `library` that go beside it with
// it: for the NetWeaver library, libsapucum (with the library's extension)
// from the library's folder, when it is there; none for the classic one.
std::vector<std::string> CompanionFiles(const Config& config);

// The flags and variables LoadConfig understands, for --help.
extern const char kConfigHelp[];

}  // namespace tolvaran_e2e

#endif  // TOLVARAN_TESTS_E2E_HARNESS_CONFIG_H_
