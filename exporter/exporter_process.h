// What the exporter asks of its own process, by platform: its working
// directory, and a stop request (SIGTERM or Ctrl-C on POSIX; Ctrl-C, Ctrl-
// Break or the console closing on Windows) handed to a function of ours.
#ifndef TOLVARAN_EXPORTER_EXPORTER_PROCESS_H_
#define TOLVARAN_EXPORTER_EXPORTER_PROCESS_H_

#include <cstdint>
#include <functional>
#include <string>

namespace tolvaran {

// `path` made absolute against the current directory.
std::string AbsolutePath(const std::string& path);

// Makes `dir` the process's working directory, which every check started
// afterwards inherits.
bool EnterDirectory(const std::string& dir, std::string* error);

// Calls `stop` once, on a thread of its own, when the process is asked to
// stop. Call once, before the server runs.
void OnStopRequest(std::function<void()> stop);

// Options of the listening socket `socket` (a descriptor or a SOCKET), which
// the connections it accepts inherit: no Nagle delay (an answer's header and
// body leave as they are written, not 40 ms apart), and the address not
// shared with another process that binds it (a second exporter on the port
// fails to start instead of taking half the scrapes), though it may be
// bound again at once after a restart.
void ListenSocketOptions(std::uintptr_t socket);

// The check program's file beside the exporter's executable `exporter`.
std::string ProgramBeside(const std::string& exporter);

}  // namespace tolvaran

#endif  // TOLVARAN_EXPORTER_EXPORTER_PROCESS_H_
