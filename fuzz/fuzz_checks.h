// Checks shared by the fuzz targets: after every call, each text field of
// the run's parts must still be a well-formed FixedText.
//
// FixedText cuts what does not fit, so a field can only go wrong if some
// code writes into its buffer directly (the RFC library fills texts through
// their address) or past it. AddressSanitizer does not see a write past one
// field of a part into the next, since both lie inside the same object:
// such a write shows here instead, as a neighbour whose length is beyond its
// capacity or whose terminator is gone.
#ifndef TOLVARAN_FUZZ_FUZZ_CHECKS_H_
#define TOLVARAN_FUZZ_FUZZ_CHECKS_H_

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "driver/global_allocation.h"
#include "driver/invocation.h"
#include "driver/profile_location.h"
#include "profile/password.h"
#include "profile/system_profile.h"
#include "rfc/classic/classic_backend.h"
#include "support/fake_classic_library.h"
#include "text/fixed_text.h"
#include "xml_check.h"

namespace tolvaran_fuzz {

[[noreturn]] inline void CheckFailed(const char* file, int line, const char* what) {
  std::fprintf(stderr, "%s:%d: fuzz check failed: %s\n", file, line, what);
  std::abort();
}

#define FUZZ_CHECK(condition)         \
  ((condition) ? static_cast<void>(0) \
               : ::tolvaran_fuzz::CheckFailed(__FILE__, __LINE__, #condition))

// The field holds at most its capacity, is terminated right after its text
// and has no NUL inside it.
template <std::size_t N>
void CheckField(const tolvaran::FixedText<N>& field, const char* name) {
  using Text = tolvaran::FixedText<N>;
  if (field.size() > Text::kCapacity) CheckFailed(__FILE__, __LINE__, name);
  if (field.c_str()[field.size()] != '\0') CheckFailed(__FILE__, __LINE__, name);
  if (std::memchr(field.c_str(), '\0', field.size()) != nullptr) {
    CheckFailed(__FILE__, __LINE__, name);
  }
}

#define FUZZ_CHECK_FIELD(field) ::tolvaran_fuzz::CheckField((field), #field)

inline void CheckProfile(const tolvaran::SystemProfile& p) {
  FUZZ_CHECK_FIELD(p.extCompany);
  FUZZ_CHECK_FIELD(p.destination);
  FUZZ_CHECK_FIELD(p.logonClient);
  FUZZ_CHECK_FIELD(p.user);
  FUZZ_CHECK_FIELD(p.password);
  FUZZ_CHECK_FIELD(p.language);
  FUZZ_CHECK_FIELD(p.mode);
  FUZZ_CHECK_FIELD(p.hostname);
  FUZZ_CHECK_FIELD(p.systemNumber);
  FUZZ_CHECK_FIELD(p.gatewayHost);
  FUZZ_CHECK_FIELD(p.gatewayService);
}

inline void CheckInvocation(const tolvaran::Invocation& inv) {
  FUZZ_CHECK_FIELD(inv.headerLine);
  FUZZ_CHECK_FIELD(inv.profileName);
  FUZZ_CHECK_FIELD(inv.params.upper);
  FUZZ_CHECK_FIELD(inv.params.raw);
  FUZZ_CHECK_FIELD(inv.itemName);
}

inline void CheckSource(const tolvaran::ProfileSource& source) {
  FUZZ_CHECK_FIELD(source.name);
  FUZZ_CHECK_FIELD(source.dir);
  FUZZ_CHECK_FIELD(source.path);
}

inline void CheckPlan(const tolvaran::ListingPlan& plan) {
  FUZZ_CHECK_FIELD(plan.itemName);
  FUZZ_CHECK_FIELD(plan.params.upper);
  FUZZ_CHECK_FIELD(plan.params.raw);
}

// The classic backend over the fake classic library of tests/support, in
// place of a loaded library, so that whole runs are fuzzed without a
// shared library or a file system. Connections to destinations whose first
// character's code is odd are refused, so that a listing sees both; every
// misuse of the library's interface ends the input; the last error fills
// its message to the last byte. The library never calls the error handler,
// which would end the process.
inline std::unique_ptr<tolvaran::RfcBackend> FakeClassicBackend(tolvaran::Host& host) {
  std::unique_ptr<tolvaran::RfcBackend> backend =
      tolvaran::MakeClassicBackend(host, tolvaran::ResetFakeClassic());
  tolvaran::FakeClassicState& lib = tolvaran::FakeClassic();
  lib.refuseOddDestinations = true;
  lib.exceptionName = "NOT_AUTHORIZED";
  lib.errorKey = "RFC_ERROR_COMMUNICATION";
  lib.errorMessage = std::string(255, 'm');
  lib.onFault = [](const std::string& what) { CheckFailed(__FILE__, __LINE__, what.c_str()); };
  return backend;
}

// Splits `data` at every `separator`; a trailing separator gives no empty
// last part, and at most `max_parts` parts are made (the last takes the
// rest).
inline std::vector<std::string> Split(std::string_view data, char separator,
                                      std::size_t max_parts) {
  std::vector<std::string> parts;
  while (!data.empty() && parts.size() + 1 < max_parts) {
    std::size_t at = data.find(separator);
    if (at == std::string_view::npos) break;
    parts.emplace_back(data.substr(0, at));
    data.remove_prefix(at + 1);
  }
  if (!data.empty()) parts.emplace_back(data);
  return parts;
}

// A text the XML dialects put between tags may hold no "<" of its own and
// only the entities the program writes.
inline bool IsEscapedXmlText(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '<') return false;
    if (text[i] == '&' && text.compare(i, 5, "&amp;") != 0 && text.compare(i, 4, "&lt;") != 0 &&
        text.compare(i, 4, "&gt;") != 0) {
      return false;
    }
  }
  return true;
}

inline void CheckWellFormed(std::string_view doc, bool fragment, bool may_be_cut) {
  std::string fault = XmlWellFormedFault(doc, fragment, may_be_cut);
  if (!fault.empty()) {
    std::fprintf(stderr, "not well-formed XML (%s):\n%.*s\n", fault.c_str(),
                 static_cast<int>(doc.size()), doc.data());
    CheckFailed(__FILE__, __LINE__, "every XML document is well-formed");
  }
}

// The error document the monitor parses: fixed framing around one escaped
// message of at most 127 characters before escaping.
inline void CheckErrorDocument(std::string_view doc) {
  const std::string_view head = "<Prtg>\n<Error>1</Error>\n<Text>";
  const std::string_view tail = "</Text>\n</Prtg>\n";
  FUZZ_CHECK(doc.size() >= head.size() + tail.size());
  FUZZ_CHECK(doc.substr(0, head.size()) == head);
  FUZZ_CHECK(doc.substr(doc.size() - tail.size()) == tail);
  std::string_view text = doc.substr(head.size(), doc.size() - head.size() - tail.size());
  FUZZ_CHECK(IsEscapedXmlText(text));
  // At most 127 characters, each at most "&amp;" or three bytes of UTF-8.
  FUZZ_CHECK(text.size() <= 127 * 5);
  CheckWellFormed(doc, false, false);
}

// In an XML document every "<" opens one of the program's own tags: no
// text between the tags can start a tag of its own. A document that was
// cut at the result buffer's capacity may end inside a tag.
inline void CheckXmlTags(std::string_view doc, bool may_be_cut) {
  static const char* const kTags[] = {"<Prtg>",    "</Prtg>",    "<Text>",       "</Text>",
                                      "<Error>",   "</Error>",   "<Result>",     "</Result>",
                                      "<Channel>", "</Channel>", "<Value>",      "</Value>",
                                      "<Unit>",    "</Unit>",    "<CustomUnit>", "</CustomUnit>"};
  for (std::size_t i = doc.find('<'); i != std::string_view::npos; i = doc.find('<', i + 1)) {
    std::string_view rest = doc.substr(i);
    bool known = false;
    for (std::string_view tag : kTags) {
      if (rest.substr(0, tag.size()) == tag || (may_be_cut && tag.substr(0, rest.size()) == rest)) {
        known = true;
        break;
      }
    }
    if (!known) CheckFailed(__FILE__, __LINE__, "a \"<\" in the XML opens no tag of the program");
  }
  CheckWellFormed(doc, true, may_be_cut);
}

// A record the reader passed: every field within its least length and its
// capacity, nothing cut, a password a stored value can carry.
inline void CheckUsableRecord(const tolvaran::SystemProfile& p) {
  const std::size_t sizes[11] = {
      p.extCompany.size(),   p.destination.size(), p.logonClient.size(),   p.user.size(),
      p.password.size(),     p.language.size(),    p.mode.size(),          p.hostname.size(),
      p.systemNumber.size(), p.gatewayHost.size(), p.gatewayService.size()};
  const auto& rules = tolvaran::ProfileFieldRules();
  for (std::size_t i = 0; i < rules.size(); ++i) {
    FUZZ_CHECK(sizes[i] >= rules[i].leastLength);
    FUZZ_CHECK(sizes[i] <= rules[i].capacity);
  }
  FUZZ_CHECK(p.cutFields == 0);
  FUZZ_CHECK(p.password.size() <= tolvaran::kMaxPasswordLength);
}

}  // namespace tolvaran_fuzz

#endif  // TOLVARAN_FUZZ_FUZZ_CHECKS_H_
