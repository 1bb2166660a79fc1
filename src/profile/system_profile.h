// System profile files: the keyed lines that describe one SAP system.
//
// A line that begins with one of eleven twelve-character keys (dots and
// colon included, matched case-sensitively) sets that key's field to the
// rest of the line from its fourteenth character on, at most 60 characters,
// taken unchanged. Every other line is ignored.
#ifndef TOLVARAN_PROFILE_SYSTEM_PROFILE_H_
#define TOLVARAN_PROFILE_SYSTEM_PROFILE_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/text_reader.h"
#include "profile/password.h"
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
  // The optional SNC keys ("Snc-Mode...:" and the like). Each profile's
  // own: a listed profile without them does not take another's.
  FixedText<64> sncMode;
  FixedText<64> sncPartner;
  FixedText<64> sncQop;
  FixedText<64> sncMyname;
  FixedText<64> sncLibrary;
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

// The single run reads its profile in pieces of 99 characters, the listing
// in pieces of 199; a longer line comes in several pieces, each read as a
// line of its own.
constexpr std::size_t kSingleRunPiece = 99;
constexpr std::size_t kListingPiece = 199;

// The most characters of a protected password's value ("DPAPI:" and
// base64), which is longer than any other value.
constexpr std::size_t kProtectedValueMax = 4096;

// A profile's lines as both readers see them: each piece split into its
// twelve-character key and its value. A "Password...:" line whose value
// begins with "DPAPI:" is the exception to the pieces and the 60
// characters: its value is the whole line, up to kProtectedValueMax.
class ProfileLines {
 public:
  ProfileLines(std::string bytes, std::size_t pieceMax);
  // False at the end of the file. Pieces shorter than a key are passed
  // over. The views stay valid until the next call.
  bool Next(std::string_view* key, std::string_view* value);

 private:
  TextReader text_;
  std::size_t pieceMax_;
  std::string line_;
};

// The eleven keys, in the order in which the checks visit their fields.
const std::array<ProfileFieldRule, 11>& ProfileFieldRules();

// The optional SNC keys, in the order their faults are reported.
const std::array<std::string_view, 5>& SncKeys();

// What is wrong with the SNC keys of `p`, naming the key ("Snc-Partner:
// missing or empty, required with Snc-Mode...: 1"); "" when nothing is. A
// fault is error 1003. Snc-Mode...: is empty, 0 or 1; Snc-Qop....: empty,
// 1, 2, 3, 8 or 9; with mode 1 the partner name is required.
std::string SncFault(const SystemProfile& p);

// Single run: reads `bytes` (the profile named `profileName`) into
// `profile` and checks the record. Returns the message of the first fault
// ("Error 1003: ..." to "Error 1008: ..."), or "" for a usable record.
std::string ReadProfileChecked(const KeyTable& key, std::string_view profileName, std::string bytes,
                               SystemProfile* profile);

// Listing: reads `bytes` (a profile file's contents) into `profile`, over
// what the profiles before it left there, and checks it. Returns the
// message of the first fault, "" for a usable record; the reading goes on
// either way.
std::string ReadListedProfile(const KeyTable& key, std::string_view profileName,
                              const std::string& bytes, SystemProfile* profile);

// Error 1031's text: the profile at `path` is there, but opening it for
// reading failed for the reason `why` ("permission denied").
std::string ProfileUnreadableText(std::string_view path, std::string_view why);

// The most characters of a profile's file name, extension included, that
// the program opens (the run's profile-name field holds as many).
constexpr std::size_t kMaxProfileName = 63;

}  // namespace tolvaran

#endif  // TOLVARAN_PROFILE_SYSTEM_PROFILE_H_
