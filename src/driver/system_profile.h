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
#include <cstdint>
#include <string>
#include <string_view>

#include "driver/password.h"
#include "text/fixed_text.h"

namespace tolvaran {

// One SAP system's connection record, filled from a profile file. Never
// cleared between readings: a key a profile lacks keeps its earlier value.
struct SystemProfile {
  FixedText<64> extCompany;
  FixedText<12> destination;
  FixedText<12> logonClient;
  FixedText<48> user;
  FixedText<32> password;
  FixedText<32> language;
  FixedText<32> mode;
  FixedText<48> hostname;
  FixedText<32> systemNumber;
  FixedText<62> gatewayHost;
  FixedText<32> gatewayService;
  // One bit per field, in the order of the keys (Extcompany.: first): set
  // while the field holds a value that was cut to fit. Such a field is
  // invalid, also for a later profile that lacks the key and so keeps it.
  std::uint16_t cutFields = 0;
  // The system number a connection is made with: a profile without one
  // uses the one before it (see ConnectionRequestFor).
  int carriedSystemNumber = 0;

  void Clear();
};

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

// Single run: reads `bytes` (the profile named `profileName`) into
// `profile` and checks the record. Returns the message of the first fault
// ("Error 1003: ..." to "Error 1007: ..."), or "" for a usable record.
std::string ReadProfileChecked(const KeyTable& key, std::string_view profileName, std::string bytes,
                               SystemProfile* profile);

// Single run: ReadProfileChecked on a fresh record, with every fault ending
// the run through the error exit.
SystemProfile ReadProfile(const KeyTable& key, std::string_view profileName, std::string bytes);

// Listing: reads `bytes` (a profile file's contents) into `profile`, over
// what the profiles before it left there, and checks it. False when the
// profile failed its checks; the reading goes on either way.
bool ReadListedProfile(const KeyTable& key, std::string_view profileName, const std::string& bytes,
                       SystemProfile* profile);

}  // namespace tolvaran

#endif  // TOLVARAN_DRIVER_SYSTEM_PROFILE_H_
