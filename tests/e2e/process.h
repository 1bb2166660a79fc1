// Starting the program under test and collecting everything it leaves
// behind. Only a POSIX implementation exists (process-posix.cc): the
// Windows build is tested by running this harness with a launcher such as
// Wine, so the harness itself never has to run on Windows.
#ifndef TOLVARAN_TESTS_E2E_PROCESS_H_
#define TOLVARAN_TESTS_E2E_PROCESS_H_

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

namespace tolvaran_e2e {

struct ProcessResult {
  bool started = false;
  std::string start_error;  // why it could not be started
  std::string out;          // standard output, byte for byte
  std::string err;          // standard error, byte for byte
  bool timed_out = false;   // killed because it ran too long
  bool exited = false;      // ended by exit(), with `exit_status`
  int exit_status = -1;
  int signal = 0;  // the signal that ended it, when not `exited`
};

// How the process is started, beyond its command and environment: the
// ways a monitor may differ from a careful shell.
struct StartOptions {
  // Standard input: empty (/dev/null), or these bytes through a pipe (at
  // most kMaxStdinBytes, what a pipe holds without a reader).
  bool stdin_piped = false;
  std::string stdin_bytes;
  bool stdin_kept_open = false;  // the pipe stays open, silent, to the end
  bool stdout_closed = false;    // a pipe whose reader is gone before it starts
  bool sigchld_ignored = false;  // SIGCHLD ignored and blocked at its start
};

constexpr std::size_t kMaxStdinBytes = 65536;

// Runs `argv` (argv[0] is the file to execute, looked up in PATH when it
// has no "/") in `directory`, with standard input empty and the harness's
// environment, in which each "NAME=value" of `environment` replaces or adds
// a variable. A process still running after `timeout` is killed together
// with its process group.
ProcessResult RunProcess(const std::vector<std::string>& argv, const std::string& directory,
                         std::chrono::milliseconds timeout,
                         const std::vector<std::string>& environment = {},
                         const StartOptions& options = {});

}  // namespace tolvaran_e2e

#endif  // TOLVARAN_TESTS_E2E_PROCESS_H_
