// The password de-scrambler: the input is a stored password value (the
// text after "Password...: " in a profile), any bytes and any length.
//
// The de-scrambler must agree with its own steps, never give more than 20
// characters, and undo what the scrambler made: an input that could be a
// password is scrambled and must come back unchanged.
#include <cstdint>
#include <random>
#include <string>

#include "fuzz_checks.h"
#include "profile/password.h"
#include "samples.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tolvaran;
  using tolvaran_fuzz::Hash;
  std::string_view input(reinterpret_cast<const char*>(data), size);
  static const KeyTable key = BuildKeyTable();

  std::string password = "untouched";
  DescrambleResult result = DescramblePassword(key, input, &password);
  DescrambleSteps steps = RunDescrambleSteps(key, input);
  FUZZ_CHECK(steps.password.size() <= kMaxPasswordLength);
  FUZZ_CHECK(!steps.wellFormed || input.size() == kStoredPasswordLength);
  switch (result) {
    case DescrambleResult::kOk:
      FUZZ_CHECK(steps.wellFormed && steps.checkMatches);
      FUZZ_CHECK(password == steps.password);
      break;
    case DescrambleResult::kMalformed:
      FUZZ_CHECK(!steps.wellFormed);
      FUZZ_CHECK(password == "untouched");
      break;
    case DescrambleResult::kCheckFailed:
      FUZZ_CHECK(steps.wellFormed && !steps.checkMatches);
      FUZZ_CHECK(password == "untouched");
      break;
  }

  // Round trip: the input as a password.
  std::string_view plain = input.substr(0, kMaxPasswordLength);
  if (!plain.empty() && IsPrintableText(plain)) {
    std::uint32_t h = Hash(input);
    std::string stored;
    const std::string filler = "~}|{zyxwvutsrqponmlkjihgfedcba";
    FUZZ_CHECK(ScramblePassword(key, plain, static_cast<int>(h % 10), filler, &stored));
    FUZZ_CHECK(stored.size() == kStoredPasswordLength);
    std::string back;
    FUZZ_CHECK(DescramblePassword(key, stored, &back) == DescrambleResult::kOk);
    FUZZ_CHECK(back == plain);

    std::mt19937 rng(h);
    std::string random_stored;
    FUZZ_CHECK(ScramblePasswordRandomly(key, plain, rng, &random_stored));
    std::string random_back;
    FUZZ_CHECK(DescramblePassword(key, random_stored, &random_back) == DescrambleResult::kOk);
    FUZZ_CHECK(random_back == plain);
  }
  return 0;
}
