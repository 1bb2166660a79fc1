#include "profile/system_profile.h"

#include <type_traits>
#include <utility>

#include "platform/text_reader.h"
#include "profile/password.h"
#include "profile/protected_password.h"
#include "text/ascii_text.h"
#include "text/secret_wipe.h"

namespace tolvaran {

namespace {

// The key is twelve characters, dots and colon included; the thirteenth
// separates it from the value and is not looked at.
constexpr std::size_t kKeyLength = 12;
constexpr std::size_t kValueStart = 13;

struct FieldEntry {
  ProfileFieldRule rule;
  std::string_view (*get)(const SystemProfile&);
  void (*set)(SystemProfile&, std::string_view);
};

template <auto Field>
std::string_view GetField(const SystemProfile& p) {
  return (p.*Field).view();
}

template <auto Field>
void SetField(SystemProfile& p, std::string_view value) {
  (p.*Field).Set(value);
}

template <auto Field>
constexpr FieldEntry Entry(std::string_view key, std::size_t leastLength) {
  using Text = std::remove_reference_t<decltype(std::declval<SystemProfile&>().*Field)>;
  return {{key, leastLength, Text::kCapacity}, &GetField<Field>, &SetField<Field>};
}

constexpr std::size_t kFieldCount = 11;
constexpr std::size_t kUserField = 3;
constexpr std::size_t kPasswordField = 4;

constexpr std::array<FieldEntry, kFieldCount> kFields = {
    Entry<&SystemProfile::extCompany>("Extcompany.:", 2),
    Entry<&SystemProfile::destination>("Destination:", 3),
    Entry<&SystemProfile::logonClient>("Client.....:", 3),
    Entry<&SystemProfile::user>("User.......:", 2),
    Entry<&SystemProfile::password>("Password...:", 2),
    Entry<&SystemProfile::language>("Language...:", 1),
    Entry<&SystemProfile::mode>("Mode.......:", 3),
    Entry<&SystemProfile::hostname>("Hostname...:", 2),
    Entry<&SystemProfile::systemNumber>("Sysnr......:", 2),
    Entry<&SystemProfile::gatewayHost>("Gwhost.....:", 2),
    Entry<&SystemProfile::gatewayService>("Gwservice..:", 2),
};

struct SncEntry {
  std::string_view key;
  FixedText<64> SystemProfile::*field;
};

constexpr std::size_t kSncFieldCount = 5;
constexpr std::array<SncEntry, kSncFieldCount> kSncFields = {{
    {"Snc-Mode...:", &SystemProfile::sncMode},
    {"Snc-Partner:", &SystemProfile::sncPartner},
    {"Snc-Qop....:", &SystemProfile::sncQop},
    {"Snc-Myname.:", &SystemProfile::sncMyname},
    {"Snc-Library:", &SystemProfile::sncLibrary},
}};

constexpr bool KeysAreTwelveCharacters() {
  for (const FieldEntry& f : kFields) {
    if (f.rule.key.size() != kKeyLength) return false;
  }
  for (const SncEntry& f : kSncFields) {
    if (f.key.size() != kKeyLength) return false;
  }
  return true;
}

void ClearSnc(SystemProfile& p) {
  for (const SncEntry& f : kSncFields) (p.*f.field).Clear();
}
static_assert(KeysAreTwelveCharacters(), "every profile key is twelve characters");
static_assert(kFields[kUserField].rule.key == "User.......:", "user field index");
static_assert(kFields[kPasswordField].rule.key == "Password...:", "password field index");

std::uint16_t FieldBit(std::size_t index) { return static_cast<std::uint16_t>(1u << index); }

// Stores a value; one too long for its field is cut so nothing overruns,
// and the field is marked, because a cut destination or host would silently
// name another system.
void StoreField(SystemProfile& p, std::size_t index, std::string_view value) {
  const FieldEntry& field = kFields[index];
  field.set(p, value);
  if (value.size() > field.rule.capacity) {
    p.cutFields = static_cast<std::uint16_t>(p.cutFields | FieldBit(index));
  } else {
    p.cutFields = static_cast<std::uint16_t>(p.cutFields & ~FieldBit(index));
  }
}

// What a reading works on: the record, the key table and the profile's
// name for the messages.
struct Reading {
  const KeyTable& key;
  std::string_view profileName;
  SystemProfile& profile;
};

std::string Message(const char* code_and_text, const Reading& rs, const char* tail) {
  std::string message(code_and_text);
  message.append(rs.profileName);
  message.append(tail);
  return message;
}

enum class Reader { kSingleRun, kListing };

// Stores the value of a "Password...:" line and returns the message of its
// fault. The listing takes a scrambled password whenever its check digit
// matches. Every plain copy but the field's is wiped.
std::string StorePassword(Reading& rs, std::string_view value, Reader reader) {
  SystemProfile& p = rs.profile;
  if (value.empty()) {
    StoreField(p, kPasswordField, "");
    return "";
  }
  std::string password;
  WipeOnExit wipe(&password);
  if (IsProtectedPassword(value)) {
    std::string reason;
    if (!UnprotectPassword(value, &password, &reason)) {
      return ProtectedPasswordFault(rs.profileName);
    }
    StoreField(p, kPasswordField, password);
    return "";
  }
  if (reader == Reader::kSingleRun) {
    switch (DescramblePassword(rs.key, value, &password)) {
      case DescrambleResult::kMalformed:
        return Message("Error 1004: Invalid Password in Profile ", rs, " found...");
      case DescrambleResult::kCheckFailed:
        return Message("Error 1005: Wrong Password in Profile ", rs, " found...");
      case DescrambleResult::kOk:
        break;
    }
    StoreField(p, kPasswordField, password);
    return "";
  }
  DescrambleSteps steps = RunDescrambleSteps(rs.key, value);
  WipeOnExit wipe_steps(&steps.password);
  if (steps.checkMatches) StoreField(p, kPasswordField, steps.password);
  if (!steps.wellFormed)
    return Message("Error 1004: Invalid Password in Profile ", rs, " found...");
  if (!steps.checkMatches)
    return Message("Error 1005: Wrong Password in Profile ", rs, " found...");
  return "";
}

// The checks once the whole file is read; the first that fails gives the
// message.
std::string CheckRecord(const Reading& rs) {
  const SystemProfile& p = rs.profile;
  if (p.user.empty()) return Message("Error 1006: Username in Profile ", rs, " is missing...");
  if (p.password.empty()) return Message("Error 1007: Password in Profile ", rs, " is missing...");
  for (std::size_t i = 0; i < kFieldCount; ++i) {
    if (kFields[i].get(p).size() < kFields[i].rule.leastLength || (p.cutFields & FieldBit(i))) {
      return Message("Error 1003: Invalid Parameter(s) at ", rs, " found...");
    }
  }
  if (!SncFault(p).empty()) return Message("Error 1003: Invalid Parameter(s) at ", rs, " found...");
  return "";
}

// Reads the keyed lines of `bytes` into the record and checks it.
// Returns the message of the first fault, "" when there is none. In the
// single run a password fault ends the reading at once, before any later
// line; the listing reads on, and a password fault comes before those of
// the checks.
std::string ReadRecord(Reading& rs, std::string bytes, Reader reader) {
  ProfileLines lines(std::move(bytes),
                     reader == Reader::kSingleRun ? kSingleRunPiece : kListingPiece);
  std::string firstFault;
  std::string_view key;
  std::string_view value;
  while (lines.Next(&key, &value)) {
    for (const SncEntry& f : kSncFields) {
      if (key == f.key) (rs.profile.*f.field).Set(value);
    }
    for (std::size_t i = 0; i < kFieldCount; ++i) {
      if (key != kFields[i].rule.key) continue;
      if (i == kUserField) {
        StoreField(rs.profile, i, AsciiUpper(value));
      } else if (i == kPasswordField) {
        std::string fault = StorePassword(rs, value, reader);
        if (!fault.empty() && reader == Reader::kSingleRun) return fault;
        if (firstFault.empty()) firstFault = fault;
      } else {
        StoreField(rs.profile, i, value);
      }
      break;
    }
  }
  std::string checked = CheckRecord(rs);
  return firstFault.empty() ? checked : firstFault;
}

bool EndsLine(const std::string& piece) { return !piece.empty() && piece.back() == '\n'; }

}  // namespace

ProfileLines::ProfileLines(std::string bytes, std::size_t pieceMax)
    : text_(std::move(bytes)), pieceMax_(pieceMax) {}

bool ProfileLines::Next(std::string_view* key, std::string_view* value) {
  while (text_.ReadPiece(pieceMax_, &line_)) {
    bool ended = EndsLine(line_);
    StripLineEnd(&line_);
    if (line_.size() < kKeyLength) continue;
    std::string_view view(line_);
    *key = view.substr(0, kKeyLength);
    *value =
        view.size() > kValueStart ? view.substr(kValueStart, kProfileValueMax) : std::string_view();
    if (*key != kFields[kPasswordField].rule.key || !IsProtectedPassword(*value)) return true;
    // The rest of a protected value's line, however many pieces it takes.
    std::string piece;
    while (!ended && line_.size() < kValueStart + kProtectedValueMax &&
           text_.ReadPiece(pieceMax_, &piece)) {
      ended = EndsLine(piece);
      StripLineEnd(&piece);
      line_ += piece;
    }
    *key = std::string_view(line_).substr(0, kKeyLength);
    *value = std::string_view(line_).substr(kValueStart, kProtectedValueMax);
    return true;
  }
  return false;
}

const std::array<std::string_view, 5>& SncKeys() {
  static const std::array<std::string_view, 5> keys = {kSncFields[0].key, kSncFields[1].key,
                                                       kSncFields[2].key, kSncFields[3].key,
                                                       kSncFields[4].key};
  return keys;
}

std::string SncFault(const SystemProfile& p) {
  const std::string_view mode = p.sncMode.view();
  const std::string_view qop = p.sncQop.view();
  if (!mode.empty() && mode != "0" && mode != "1") {
    return "Snc-Mode...: \"" + std::string(mode) + "\", not 0 or 1";
  }
  if (mode == "1" && p.sncPartner.empty()) {
    return "Snc-Partner: missing or empty, required with Snc-Mode...: 1";
  }
  if (!qop.empty() &&
      (qop.size() != 1 || std::string_view("12389").find(qop[0]) == std::string_view::npos)) {
    return "Snc-Qop....: \"" + std::string(qop) + "\", not 1, 2, 3, 8 or 9";
  }
  return "";
}

void SystemProfile::Clear() {
  ClearSnc(*this);
  for (std::size_t i = 0; i < kFieldCount; ++i) kFields[i].set(*this, "");
  cutFields = 0;
}

const std::array<ProfileFieldRule, 11>& ProfileFieldRules() {
  static const std::array<ProfileFieldRule, 11> rules = [] {
    std::array<ProfileFieldRule, 11> r{};
    for (std::size_t i = 0; i < kFieldCount; ++i) r[i] = kFields[i].rule;
    return r;
  }();
  return rules;
}

std::string ReadProfileChecked(const KeyTable& key, std::string_view profileName, std::string bytes,
                               SystemProfile* profile) {
  Reading reading{key, profileName, *profile};
  return ReadRecord(reading, std::move(bytes), Reader::kSingleRun);
}

std::string ReadListedProfile(const KeyTable& key, std::string_view profileName,
                              const std::string& bytes, SystemProfile* profile) {
  // Every other field of a listed profile carries over from the profile read
  // before it; the password does not. A profile without a usable password
  // of its own must never send another system's password to its host.
  WipeSecret(&profile->password);
  ClearSnc(*profile);
  Reading reading{key, profileName, *profile};
  return ReadRecord(reading, bytes, Reader::kListing);
}

std::string ProfileUnreadableText(std::string_view path, std::string_view why) {
  return "Error 1031: Profile " + std::string(path) + " cannot be read: " + std::string(why);
}

}  // namespace tolvaran
