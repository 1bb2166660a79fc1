// The state of its own process that the program relies on, set before it
// reads anything: whatever the monitor (or a script, or a service manager)
// that started it left behind.
#ifndef TOLVARAN_PLATFORM_PROCESS_SETUP_H_
#define TOLVARAN_PLATFORM_PROCESS_SETUP_H_

namespace tolvaran {

// Call first in main, before any thread exists and before a profile is read.
//
// - The process never leaves a memory image on disk: it holds a plain
//   password, and a core file or crash dump would put it in a file anyone
//   who can read the folder can search. POSIX: no core file (RLIMIT_CORE 0),
//   and on Linux not dumpable either, which also keeps other processes of
//   the same user from reading its memory. Windows: no error box and no
//   Windows Error Reporting dump; a crash ends the process at once.
// - POSIX signals: SIGPIPE is ignored, so that a closed output pipe is a
//   failed write (status 2) and not a silent death; SIGCHLD has its default
//   action and is not blocked, so that the exit status of every worker can
//   still be learnt (an ignored SIGCHLD makes the kernel discard them).
//   Both are inherited through exec, which is how a starter's choice would
//   otherwise reach us.
void PrepareProcess();

}  // namespace tolvaran

#endif  // TOLVARAN_PLATFORM_PROCESS_SETUP_H_
