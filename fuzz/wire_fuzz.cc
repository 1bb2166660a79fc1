// The framing of values between a listing and its workers: the input is
// what a worker wrote, any bytes (a worker may die half-way, or a library
// may print into its standard output).
//
// Parsing must refuse or accept without reading past the input, a refused
// message holds no fields, and an accepted one is exactly what writing its
// fields again gives (so no two byte strings read as the same message, and
// every cut of it is refused).
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_checks.h"
#include "platform/wire.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tolvaran;
  std::string_view input(reinterpret_cast<const char*>(data), size);
  WireMessage message;
  if (!message.Parse(input)) {
    FUZZ_CHECK(message.fields().empty());
    return 0;
  }
  WireWriter again;
  for (const WireField& f : message.fields()) {
    FUZZ_CHECK(f.key.size() <= kMaxWireKey && f.value.size() <= kMaxWireValue);
    FUZZ_CHECK(again.Add(f.key, f.value));
    FUZZ_CHECK(message.Find(f.key) != nullptr);
    std::int64_t number = 0;
    if (message.FindNumber(f.key, &number)) {
      FUZZ_CHECK(*message.Find(f.key) == std::to_string(number));
    }
  }
  std::string written = again.Finish();
  FUZZ_CHECK(written == input);
  WireMessage cut;
  FUZZ_CHECK(!cut.Parse(input.substr(0, input.size() - 1)));
  return 0;
}
