// One end-to-end case as written in a tests/e2e/cases/*.case file: the
// files to lay out, how to start the program, and what to expect of it.
// README.md in this folder describes the format for case writers.
#ifndef TOLVARAN_TESTS_E2E_CASE_FILE_H_
#define TOLVARAN_TESTS_E2E_CASE_FILE_H_

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "text_compare.h"

namespace tolvaran_e2e {

// A case file that cannot be understood. The message starts with
// "file:line: " so an editor can jump to the offending line.
class CaseError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Something put into the scratch directory before the run.
struct ScratchEntry {
  enum class Kind { kFile, kDir, kCopy, kFifo, kLink, kHeldLock };
  Kind kind = Kind::kFile;
  std::string name;     // relative to the scratch directory
  std::string content;  // kFile: the exact bytes
  std::string from;     // kCopy: relative to the data folder (tests/e2e); kLink: the target
  int line = 0;         // where the section starts, for messages
};

// A file that must (or must not) be there after the run.
struct FileCheck {
  std::string name;
  bool must_exist = true;
  std::optional<Pattern> content;  // only with must_exist
  int line = 0;
};

// Output that a parser of its format must accept: standard output, or a
// file the run wrote (see validation.h for the kinds).
struct Validation {
  std::string kind;  // "script-v2", "plugin", "openmetrics"
  std::string file;  // relative to the scratch directory; empty: standard output
  int line = 0;
};

enum class Placement {
  kInPlace,  // the built program by its full path
  kCopy,     // a copy in the scratch directory
  kLink,     // a symbolic link in the scratch directory
};

enum class Platform { kPosix, kWindows };

// The RFC library a run puts beside the program: the classic librfc32 or
// the NetWeaver sapnwrfc (each simulated).
enum class LibraryKind { kClassic, kNetWeaver };

struct Case {
  std::string description;  // the leading comment, without the "#"
  std::vector<std::string> args;
  std::vector<ScratchEntry> setup;
  Placement placement = Placement::kInPlace;
  std::string program_name;  // for kCopy and kLink
  bool library_absent = false;
  // "=== library classic" / "=== library netweaver": the case runs only
  // against that library, its behaviour being that library's own.
  std::optional<LibraryKind> only_library;
  // "=== companion absent": the NetWeaver library's companion files are not
  // put beside it.
  bool companion_absent = false;
  std::optional<Pattern> expected_stdout;
  std::vector<Pattern> stdout_contains;
  int expected_status = 0;
  std::vector<FileCheck> file_checks;
  std::vector<Validation> validations;
  bool no_leftovers = false;
  // Texts (passwords) that must appear nowhere the program writes: not in
  // its standard output or error, nor in any file of the scratch directory
  // that the case did not lay out itself.
  std::vector<std::string> secrets;
  std::optional<Platform> only_on;
  // "=== drive C": the scratch directory is the root of drive C: of a Wine
  // setup of the case's own, and the program starts in it.
  bool drive_c = false;
  // "=== stdin": these bytes through a pipe instead of an empty input;
  // "(open)": the pipe is never closed while the program runs.
  std::optional<std::string> stdin_bytes;
  bool stdin_open = false;
  // "=== start (...)": standard output a pipe nobody reads; SIGCHLD ignored
  // and blocked, as a careless monitor may start it.
  bool stdout_closed = false;
  bool sigchld_ignored = false;
};

// Parses the text of a case file; `origin` names it in messages. Throws
// CaseError on anything it does not understand: a typo in a case must
// fail loudly rather than silently test less.
Case ParseCase(const std::string& text, const std::string& origin);

}  // namespace tolvaran_e2e

#endif  // TOLVARAN_TESTS_E2E_CASE_FILE_H_
