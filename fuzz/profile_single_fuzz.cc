// The single run's profile reader: the input is a profile file.
//
// ReadProfileChecked must either accept the record, with every field
// within its least length and capacity, or give one of the reader's five
// messages; ReadProfile must end the run exactly when that message is
// there, with the error document for it.
#include <cstdint>
#include <memory>
#include <string>

#include "fuzz_checks.h"
#include "profile/password.h"
#include "profile/system_profile.h"

namespace tolvaran_fuzz {
namespace {

bool StartsWith(std::string_view text, std::string_view head) {
  return text.substr(0, head.size()) == head;
}

bool EndsWith(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

void CheckUsable(const tolvaran::SystemProfile& p) {
  CheckUsableRecord(p);
  for (char c : p.user.view()) FUZZ_CHECK(!(c >= 'a' && c <= 'z'));
}

void CheckMessage(std::string_view fault, std::string_view name) {
  const bool known =
      (StartsWith(fault, "Error 1003: Invalid Parameter(s) at ") && EndsWith(fault, " found...")) ||
      (StartsWith(fault, "Error 1004: Invalid Password in Profile ") &&
       EndsWith(fault, " found...")) ||
      (StartsWith(fault, "Error 1005: Wrong Password in Profile ") &&
       EndsWith(fault, " found...")) ||
      (StartsWith(fault, "Error 1006: Username in Profile ") &&
       EndsWith(fault, " is missing...")) ||
      (StartsWith(fault, "Error 1007: Password in Profile ") &&
       EndsWith(fault, " is missing...")) ||
      (StartsWith(fault, "Error 1008: Protected password of ") &&
       EndsWith(fault, " cannot be decrypted here !"));
  FUZZ_CHECK(known);
  FUZZ_CHECK(fault.find(name) != std::string_view::npos);
}

}  // namespace
}  // namespace tolvaran_fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tolvaran_fuzz;
  std::string_view input(reinterpret_cast<const char*>(data), size);
  const tolvaran::KeyTable key = tolvaran::BuildKeyTable();

  tolvaran::SystemProfile profile;
  std::string fault = tolvaran::ReadProfileChecked(key, "PRD.P00", std::string(input), &profile);
  CheckProfile(profile);
  if (fault.empty()) {
    CheckUsable(profile);
  } else {
    CheckMessage(fault, "PRD.P00");
  }

  // The throwing reader, under a name that pushes the message past the
  // 127 characters an error document holds.
  const std::string long_name(59, 'N');
  bool ended = false;
  try {
    CheckProfile(tolvaran::ReadProfile(key, long_name + ".P00", std::string(input)));
  } catch (const tolvaran::RunEnd& end) {
    ended = true;
    FUZZ_CHECK(end.status == 2);
    CheckErrorDocument(end.output);
  }
  FUZZ_CHECK(ended == !fault.empty());
  return 0;
}
