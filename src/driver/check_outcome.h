// What a query's outcome says in the documents.
#ifndef TOLVARAN_DRIVER_CHECK_OUTCOME_H_
#define TOLVARAN_DRIVER_CHECK_OUTCOME_H_

#include <string>
#include <string_view>

#include "rfc/backend.h"

namespace tolvaran {

enum class RunKind { kSingle, kListing };

// The failure text of a query outcome other than 0, as the documents show
// it; empty for 0. A system exception in a listing has none: the system's
// state shows it.
std::string OutcomeText(const QueryResult& result, RunKind kind);

}  // namespace tolvaran

#endif  // TOLVARAN_DRIVER_CHECK_OUTCOME_H_
