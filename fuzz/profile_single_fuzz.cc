// The single run's profile reader: the input is a profile file.
//
// ReadProfileChecked must either accept the record, with every field
// within its least length and capacity, or give one of the reader's five
// messages; ReadProfile must end the run exactly when that message is
// there, with the error document for it.
#include <cstdint>
#include <memory>
#include <string>

#include "driver/password.h"
#include "driver/system_profile.h"
#include "fuzz_checks.h"
#include "support/fake_host.h"

namespace tolvaran_fuzz {
namespace {

std::unique_ptr<tolvaran::RunState> Opened(tolvaran::FakeHost* host, std::string_view bytes,
                                           std::string_view name) {
  auto rs = std::make_unique<tolvaran::RunState>();
  rs->host = host;
  rs->keyTable = tolvaran::BuildKeyTable();
  rs->profileName.Set(name);
  rs->profileBytes.assign(bytes);
  rs->profileOpen = true;
  return rs;
}

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
  tolvaran::FakeHost host;

  auto rs = Opened(&host, input, "PRD.P00");
  std::string fault = tolvaran::ReadProfileChecked(*rs);
  CheckRunState(*rs);
  FUZZ_CHECK(!rs->profileOpen && rs->profileBytes.empty());
  if (fault.empty()) {
    CheckUsable(rs->profile);
  } else {
    CheckMessage(fault, "PRD.P00");
  }

  // The throwing reader, under a name that pushes the message past the
  // 127 characters an error document holds.
  const std::string long_name(59, 'N');
  auto second = Opened(&host, input, long_name + ".P00");
  bool ended = false;
  try {
    tolvaran::ReadProfile(*second);
  } catch (const tolvaran::RunEnd& end) {
    ended = true;
    FUZZ_CHECK(end.status == 2 && end.writeResultBuffer);
    CheckErrorDocument(second->resultBuffer.view());
  }
  CheckRunState(*second);
  FUZZ_CHECK(ended == !fault.empty());
  FUZZ_CHECK(host.out.empty());
  return 0;
}
