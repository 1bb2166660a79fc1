// System profile files: the keyed lines that describe one SAP system.
//
// A line that begins with one of eleven twelve-character keys (dots and
// colon included, matched case-sensitively) sets that key's field to the
// rest of the line from its fourteenth character on, at most 60 characters,
// taken unchanged. Every other line is ignored.
#ifndef TOLVARAN_DRIVER_SYSTEM_PROFILE_H_
#define TOLVARAN_DRIVER_SYSTEM_PROFILE_H_

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "driver/run_state.h"

namespace tolvaran {

// The most characters a line's value carries.
constexpr std::size_t kProfileValueMax = 60;

// What a profile key's value must look like to be usable: at least
// `leastLength` characters, at most `capacity` (what its field holds).
struct ProfileFieldRule {
  std::string_view key;
  std::size_t leastLength;
  std::size_t capacity;
};

// The eleven keys, in the order in which the checks visit their fields.
const std::array<ProfileFieldRule, 11>& ProfileFieldRules();

// Single run: reads the profile left open by the location step into
// rs.profile, closes it and checks the record. Returns the message of the
// first fault ("Error 1003: ..." to "Error 1007: ..."), or "" for a usable
// record. The run goes on either way.
std::string ReadProfileChecked(RunState& rs);

// Single run: ReadProfileChecked, with every fault ending the run through
// the error exit.
void ReadProfile(RunState& rs);

// Listing: reads `bytes` (a profile file's contents) into rs.profile and
// checks it; a fault sets rs.failFlag and the reading goes on. Returns the
// message of the first fault, "" for a usable record.
std::string ReadListedProfile(RunState& rs, const std::string& bytes);

}  // namespace tolvaran

#endif  // TOLVARAN_DRIVER_SYSTEM_PROFILE_H_
