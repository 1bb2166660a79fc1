// What the exporter asks of its own process, by platform: its working
// directory, and a stop request (SIGTERM or Ctrl-C on POSIX; Ctrl-C, Ctrl-
// Break or the console closing on Windows) handed to a function of ours.
#ifndef TOLVARAN_EXPORTER_EXPORTER_PROCESS_H_
#define TOLVARAN_EXPORTER_EXPORTER_PROCESS_H_

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

// The check program's file beside the exporter's executable `exporter`.
std::string ProgramBeside(const std::string& exporter);

}  // namespace tolvaran

#endif  // TOLVARAN_EXPORTER_EXPORTER_PROCESS_H_
