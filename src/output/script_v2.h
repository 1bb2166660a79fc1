// The Script v2 sensor's JSON, version 2 of the output format, as the
// monitor's published JSON schema for it defines it (the schema that the
// sensor validates a script's output against from PRTG 23 on): an object
// with "version" 2, "status" ok / warning / error, a "message" of at most
// 2,000 characters and at most 50 "channels", each with an integer "id"
// from 10 to 2,147,483,647, a "name", a "type" and a "value".
// tests/e2e/schema/prtg-script-v2.schema.json holds that schema for the
// tests.
#ifndef TOLVARAN_OUTPUT_SCRIPT_V2_H_
#define TOLVARAN_OUTPUT_SCRIPT_V2_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "output/check_report.h"

namespace tolvaran {

constexpr std::size_t kScriptV2MaxChannels = 50;
constexpr std::size_t kScriptV2MaxMessage = 2000;  // characters, not bytes

// A message as the object carries it: valid UTF-8, at most
// kScriptV2MaxMessage characters.
std::string ScriptV2Message(std::string_view text);

// A single run's channels have the ids of their value definitions
// (ValueDefinition::scriptV2Id, below kScriptV2FirstListingId; the user
// list's are 10 to 15): the monitor keys its channels by id, so these never
// change.

// A listed system's channel id comes from its profile name alone, so that
// it stays the same from run to run and when other systems join or leave
// the listing: the 32-bit FNV-1a hash of the name (ASCII letters upper-
// cased, as Windows does not tell "prd.p00" from "PRD.P00"), taken modulo
// the size of the range from kScriptV2FirstListingId to 2,147,483,647 and
// added to its start. Should two names of one listing hash to the same id,
// the one that sorts first (upper-cased names compared bytewise) keeps it
// and the other takes the next id up (after the last, the first) that is
// neither assigned nor the hash of any name in the listing.
constexpr std::int32_t kScriptV2FirstListingId = 1000;
constexpr std::int32_t kScriptV2LastId = 2147483647;

// The channel ids of `profiles`, by the rule above, in their order.
std::vector<std::int32_t> ListingChannelIds(const std::vector<std::string>& profiles);

// `text` as a JSON string, quotes included (RFC 8259): '"' and '\' escaped,
// control characters as \u00XX, bytes that are not UTF-8 taken as
// Windows-1252 as in the XML dialects.
std::string JsonString(std::string_view text);

// The JSON object for `report`, one line. The exit status is always 0: the
// sensor takes the status from the object.
//
// A single run: status ok, its summary as message, the six channels.
// An error: status error, its message, no channels.
// A listing: the summary as message and one channel per system that has a
// value for the item, for the first 50 systems in listing order (see
// ShownSystems); the status is warning when one of those has no value
// (failed, or the item names none of the six values) or when systems were
// left out, and the message then names the systems without a value and
// says how many were left out.
RenderedOutput RenderScriptV2(const CheckReport& report);

}  // namespace tolvaran

#endif  // TOLVARAN_OUTPUT_SCRIPT_V2_H_
