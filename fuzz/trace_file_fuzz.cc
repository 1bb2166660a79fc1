// The RFC library's trace file: the input is "Dev_Rfc.Trc".
//
// After a failed query the backend's failure detail (what the file tells)
// is appended to the failure text in the result buffer, short or nearly
// full, and the file is deleted; the error document made of the buffer
// must keep its form.
#include <cstdint>
#include <memory>
#include <string>

#include "fuzz_checks.h"
#include "output/result_document.h"
#include "rfc/trace_file.h"
#include "support/fake_host.h"

namespace tolvaran_fuzz {
namespace {

void Append(std::string_view trace, const std::string& failure) {
  tolvaran::FakeHost host;
  host.Put("Dev_Rfc.Trc", std::string(trace));
  std::unique_ptr<tolvaran::RfcBackend> backend = FakeClassicBackend(host);

  std::string detail = backend->FailureDetail();
  FUZZ_CHECK(!host.Has("Dev_Rfc.Trc"));
  FUZZ_CHECK(detail == tolvaran::TraceDetailOf(trace));
  FUZZ_CHECK(detail.substr(0, 3) == " - ");
  FUZZ_CHECK(detail.back() != '\n');
  FUZZ_CHECK(tolvaran::FakeClassic().trail.empty());  // the library is not asked

  // The error document the single run makes of a failed query.
  CheckErrorDocument(tolvaran::ErrorDocumentText(failure + detail));
  FUZZ_CHECK(host.out.empty());
}

}  // namespace
}  // namespace tolvaran_fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tolvaran_fuzz;
  std::string_view trace(reinterpret_cast<const char*>(data), size);
  Append(trace, "Error 1014: RFC-Failure raised !");
  // A long exception name: the message is cut to what the document holds.
  Append(trace, "Error 1012: Exception.: " + std::string(255, 'E'));
  return 0;
}
