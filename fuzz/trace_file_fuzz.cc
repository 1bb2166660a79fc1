// The RFC library's trace file: the input is "Dev_Rfc.Trc".
//
// AppendTraceDetail appends what the file tells to the failure text in the
// result buffer, short or nearly full, and deletes the file; the error
// document made of the buffer must keep its form.
#include <cstdint>
#include <memory>
#include <string>

#include "fuzz_checks.h"
#include "memory_host.h"
#include "output/result_document.h"
#include "rfc/rfc_failure.h"

namespace tolvaran_fuzz {
namespace {

void Append(std::string_view trace, const std::string& failure) {
  MemoryHost host;
  host.Put("Dev_Rfc.Trc", std::string(trace));
  auto rs = std::make_unique<tolvaran::RunState>();
  rs->host = &host;
  rs->resultBuffer.Set(failure);

  tolvaran::AppendTraceDetail(*rs);
  CheckRunState(*rs);
  FUZZ_CHECK(!host.Has("Dev_Rfc.Trc"));
  std::string_view text = rs->resultBuffer.view();
  FUZZ_CHECK(text.substr(0, failure.size()) == failure);
  std::string_view added = text.substr(failure.size());
  FUZZ_CHECK(added.empty() || added.substr(0, 3) == " - ");
  FUZZ_CHECK(added.empty() || added.back() != '\n');

  tolvaran::BuildErrorDocument(*rs, rs->resultBuffer.str());
  CheckRunState(*rs);
  CheckErrorDocument(rs->resultBuffer.view());
  FUZZ_CHECK(host.out.empty());
}

}  // namespace
}  // namespace tolvaran_fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tolvaran_fuzz;
  std::string_view trace(reinterpret_cast<const char*>(data), size);
  Append(trace, "Error 1014: RFC-Failure raised !");
  // A buffer with little room left: the detail is cut, never written past.
  Append(trace, "Error 1012: Exception.: " + std::string(4060, 'E'));
  return 0;
}
