// The listing's profile reader: the input is one profile file, or several
// separated by form feeds, read one after the other into the same record
// as a listing reads them (a key one profile lacks keeps the value of the
// one before).
//
// A profile the reader passes must be usable; and for a first profile whose
// lines all fit the single run's pieces, both readers must agree on whether
// it is usable and on what it holds.
#include <cstdint>
#include <memory>
#include <string>

#include "fuzz_checks.h"
#include "profile/password.h"
#include "profile/system_profile.h"

namespace tolvaran_fuzz {
namespace {

// Lines of at most 99 characters come out of both readers as the same
// pieces.
bool LinesFitSingleRunPieces(std::string_view text) {
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    if (end - start > 99) return false;
    start = end + 1;
  }
  return true;
}

bool SameProfile(const tolvaran::SystemProfile& a, const tolvaran::SystemProfile& b) {
  return a.extCompany == b.extCompany.view() && a.destination == b.destination.view() &&
         a.logonClient == b.logonClient.view() && a.user == b.user.view() &&
         a.password == b.password.view() && a.language == b.language.view() &&
         a.mode == b.mode.view() && a.hostname == b.hostname.view() &&
         a.systemNumber == b.systemNumber.view() && a.gatewayHost == b.gatewayHost.view() &&
         a.gatewayService == b.gatewayService.view();
}

}  // namespace
}  // namespace tolvaran_fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tolvaran_fuzz;
  std::string_view input(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> profiles = Split(input, '\f', 4);
  if (profiles.empty()) profiles.emplace_back();
  const tolvaran::KeyTable key = tolvaran::BuildKeyTable();

  tolvaran::SystemProfile listing;
  for (const std::string& bytes : profiles) {
    bool sound = tolvaran::ReadListedProfile(key, "PRD.P00", bytes, &listing).empty();
    CheckProfile(listing);
    if (sound) CheckUsableRecord(listing);
  }

  const std::string& first = profiles.front();
  if (LinesFitSingleRunPieces(first)) {
    tolvaran::SystemProfile single;
    bool single_ok = tolvaran::ReadProfileChecked(key, "PRD.P00", first, &single).empty();
    tolvaran::SystemProfile listed;
    bool listed_ok = tolvaran::ReadListedProfile(key, "PRD.P00", first, &listed).empty();
    FUZZ_CHECK(single_ok == listed_ok);
    if (single_ok) FUZZ_CHECK(SameProfile(single, listed));
  }
  return 0;
}
