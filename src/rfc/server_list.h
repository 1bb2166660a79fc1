// What the program reads from a row of a system's server list.
#ifndef TOLVARAN_RFC_SERVER_LIST_H_
#define TOLVARAN_RFC_SERVER_LIST_H_

#include <optional>
#include <vector>

#include "rfc/backend.h"

namespace tolvaran {

// The system number of an application server: the last "_"-separated part
// of its name when that is two digits (the name is "<host>_<system>_<nn>",
// and only the host may hold "_" itself, so the name is read from the
// right); otherwise the two digits of its dispatcher's service "sapdp<nn>"
// (the prefix in any case); otherwise none.
std::optional<int> InstanceSystemNumber(const ServerEntry& server);

// The system's active application servers (TH_SERVER_LIST with
// ACTIVE_SERVER = 1), in the system's order, into `servers` when the call
// succeeded. On an exception (NO_SERVER_LIST, a missing authorisation)
// `exceptionText` names it.
QueryResult FetchServerList(RfcBackend& backend, ConnectionId connection,
                            std::vector<ServerEntry>* servers);

}  // namespace tolvaran

#endif  // TOLVARAN_RFC_SERVER_LIST_H_
