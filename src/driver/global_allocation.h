// Global sensor allocation of a listing run: the server listing, the item
// and the label kind, from Dalvenor.Prf or Dalvenor.Gbl.
#ifndef TOLVARAN_DRIVER_GLOBAL_ALLOCATION_H_
#define TOLVARAN_DRIVER_GLOBAL_ALLOCATION_H_

#include <cstddef>
#include <string>
#include <string_view>

#include "driver/invocation.h"
#include "driver/parameters.h"
#include "driver/profile_location.h"
#include "platform/host.h"
#include "text/fixed_text.h"

namespace tolvaran {

// What a listed system's channel is named by.
enum class LabelKind {
  kProfile,      // the profile's file name (",Profile", the default)
  kAlias,        // the file name without its extension (",Alias")
  kHost,         // the profile's host name (",Host")
  kDestination,  // the profile's destination (",Sid")
};

// What the allocation settles for the listing.
struct ListingPlan {
  // The listed profile names, each followed by "#", as the listing lines
  // give them. Not capped: a cut could name another profile.
  std::string listing;
  FixedText<128> itemName;
  LabelKind labelKind = LabelKind::kProfile;
  // The parameters the listing runs with: a global sensor line's replace
  // the command line's, which keep only their JOBS=, TIMEOUT=, WARN=, CRIT=
  // and OUT= where the line has none of its own.
  Parameters params;
  // The dialect of the command line (FORMAT=) with these parameters' ranges
  // and file.
  ReportSettings report;
};

// Reads the listing file `source` and returns the plan. Errors 1024, 10x1,
// 1029, 1030, 1025, 1027, 1026, 1017, 1018, 1021, 1022 and 1023 end the run.
ListingPlan AllocateGlobalSensor(Host& host, const Invocation& inv, const ProfileSource& source);

// A listing checks at most this many systems.
constexpr std::size_t kMaxListedSystems = 10000;

// The number of entries a listing text holds: one per "#"-ended name, and
// one for a name after the last "#".
std::size_t CountListedSystems(std::string_view listing);

}  // namespace tolvaran

#endif  // TOLVARAN_DRIVER_GLOBAL_ALLOCATION_H_
