// Starting a program on POSIX, the one way the program, its end-to-end
// harness and its benchmarks do it: fork and exec with the child's standard
// streams set, no other descriptor of the parent's, and a failure before
// the exec reported back instead of a child that silently exits. POSIX
// builds only.
#ifndef TOLVARAN_PLATFORM_POSIX_PROCESS_H_
#define TOLVARAN_PLATFORM_POSIX_PROCESS_H_

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

namespace tolvaran {

// What a standard stream of the child is: one of these, or a descriptor of
// the parent's that the child gets as that stream.
constexpr int kInheritStream = -1;
constexpr int kNullStream = -2;  // /dev/null

struct PosixLaunch {
  // argv[0] is the file to execute: looked up in PATH when `searchPath` is
  // set and it has no "/".
  std::vector<std::string> argv;
  bool searchPath = false;
  // "NAME=value" entries: the child's whole environment. Null: the parent's.
  const std::vector<std::string>* environment = nullptr;
  std::string directory;  // empty: the parent's
  int streams[3] = {kInheritStream, kInheritStream, kInheritStream};
  // The child leads a process group of its own, so that killing the group
  // ends whatever it starts too.
  bool ownGroup = false;
  // Linux: the kernel ends the child by SIGKILL when the parent's starting
  // thread ends, however it ends.
  bool endWithParent = false;
  // SIGPIPE back at its default and no signal blocked, whatever the parent
  // had: for programs under test, which must meet the monitor's conditions.
  bool defaultSignals = false;
  // With `defaultSignals`: SIGCHLD ignored and blocked instead, as some
  // monitors start their sensors.
  bool childSignalIgnored = false;
};

struct LaunchResult {
  pid_t pid = -1;        // -1 when there was no child; else reaped if !started
  bool started = false;  // the exec succeeded
  std::string error;     // why not
};

// Starts `launch`. `onForked` (optional) is called in the parent with the
// child's pid as soon as it exists, before the exec is known to succeed, so
// that a caller that must be able to kill it at any moment can record it.
LaunchResult LaunchProcess(const PosixLaunch& launch,
                           const std::function<void(pid_t)>& onForked = {});

}  // namespace tolvaran

#endif  // TOLVARAN_PLATFORM_POSIX_PROCESS_H_
