// The seam between a probe and the check it runs: the exporter hands a
// runner the check's arguments and a deadline and gets back what the check
// wrote, or why it wrote nothing. The real runner starts the `tolvaran`
// program in a worker process; the unit tests give the probe service a
// scripted one.
#ifndef TOLVARAN_EXPORTER_PROBE_RUNNER_H_
#define TOLVARAN_EXPORTER_PROBE_RUNNER_H_

#include <string>
#include <vector>

#include "platform/deadline.h"

namespace tolvaran {

struct RunOutcome {
  enum class Kind {
    kAnswered,    // the check ended by itself: `output` is what it wrote
    kDeadline,    // the deadline passed first; the check was ended
    kAbnormal,    // the check crashed or was killed
    kNotStarted,  // the program could not be started
    kStopped,     // the exporter is stopping; the check was ended
  };
  Kind kind = Kind::kNotStarted;
  int exitStatus = 0;  // kAnswered: the exit status; kAbnormal: the signal or exception code
  std::string output;
  std::string detail;  // kNotStarted: the reason
};

class ProbeRunner {
 public:
  virtual ~ProbeRunner() = default;
  // Runs one check with `arguments` (after the program's name) and waits
  // for it until `deadline`. Called from several threads at once.
  virtual RunOutcome Run(const std::vector<std::string>& arguments, Deadline deadline) = 0;
  // Ends every check still running, at once, and makes later calls answer
  // kStopped. Called from another thread than Run's.
  virtual void Stop() = 0;
};

}  // namespace tolvaran

#endif  // TOLVARAN_EXPORTER_PROBE_RUNNER_H_
