// SERVERS=ALL: a system's usage over every one of its application servers.
// The user list the library hands over is one instance's (the one the
// connection is attached to); the system's is the union over the instances
// its server list names. The connection's own instance is counted over
// that connection, every other one in a worker of its own, side by side,
// under the run's deadline.
#ifndef TOLVARAN_DRIVER_SERVER_FANOUT_H_
#define TOLVARAN_DRIVER_SERVER_FANOUT_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "driver/system_check.h"
#include "measure/measurement.h"
#include "platform/deadline.h"
#include "platform/host.h"

namespace tolvaran {

// How long before the run's deadline the instances' checks are given up:
// time for the parent to combine and write what it has.
constexpr std::int64_t kFanOutMarginMs = 500;

// One instance of the server list, once its check is over.
struct InstanceCheck {
  std::string name;
  bool counted = false;  // its user list was had whole
  // Why it is not counted, as the text names it ("RFC-Open failed"), and the
  // error document's message a run of this instance alone would have ended
  // with.
  std::string reason;
  std::string error;
  MeasuredValues reading;     // its values, when counted
  std::vector<KeptRow> rows;  // its rows, when counted and its values combine from rows
};

// The system's counts over its counted instances.
struct SystemUsage {
  MeasuredValues reading;
  std::size_t counted = 0;
  std::size_t total = 0;
  struct Line {
    std::string name;
    MeasuredValues reading;
  };
  std::vector<Line> perInstance;  // the counted ones, in the list's order
  std::vector<const InstanceCheck*> failed;
};

// Distinct users and terminals over every counted instance (a name on two
// instances counts once; the name lists' limit applies to the combined
// lists), the other values summed; `client` filters as for one instance.
// The sessions are taken in the list's order, instance after instance.
SystemUsage CombineInstances(const std::vector<InstanceCheck>& instances,
                             const Measurement& measurement, std::string_view client);

// The system's label in the text: "PRD, 3 of 3 servers", with failed
// instances "PRD, 2 of 3 servers; prdapp3_PRD_03: RFC-Open failed" (as many
// names as fit `room` characters).
std::string ServersLabel(std::string_view destination, const SystemUsage& usage, std::size_t room);

// The check listing's lines after the totals, one per counted instance.
std::string InstanceLines(const SystemUsage& usage, const Measurement& measurement);

// What the server-list call came to, as error 1019 says it; empty when it
// succeeded.
std::string ServerListFailure(std::string_view destination, const QueryResult& result);

// Checks every instance of `own`'s server list: the one `own` is on from
// its own user list, every other in a worker (at most `jobs` at once) with
// `base`'s logon, reaching the instance by its host and system number.
// Instances unfinished at `deadline` are not counted.
std::vector<InstanceCheck> CheckInstances(Host& host, const SystemTask& base,
                                          const SystemOutcome& own, std::string_view destination,
                                          Deadline deadline, int jobs);

// The one path of SERVERS=ALL, for the single run and for a listed
// system's worker alike, once `own` (the check of `task` with its server
// list) is over: every instance checked (`jobs` at once, until a margin
// before the task's deadline) and combined into `usage`, which points into
// `instances`. Returns the message the system's check ends with when it
// has no counts (the server list not had: error 1019; no instance
// answered: the first one's failure), else an empty text.
std::string CountAllServers(Host& host, const SystemTask& task, const SystemOutcome& own, int jobs,
                            std::vector<InstanceCheck>* instances, SystemUsage* usage);

// What a listed system's worker gives back of `usage` and `failure`: the
// system's counts in place of its own instance's, how many instances were
// counted, and no user list.
void TakeSystemUsage(const SystemUsage& usage, std::string failure, SystemOutcome* outcome);

// A listed system's worker with SERVERS=ALL, after its own check: a system
// whose own instance was counted, or whose server list failed, gets the
// system's counts; any other failure stays as it is, judged as without
// SERVERS=ALL.
void CountListedSystem(Host& host, const SystemTask& task, SystemOutcome* outcome);

}  // namespace tolvaran

#endif  // TOLVARAN_DRIVER_SERVER_FANOUT_H_
