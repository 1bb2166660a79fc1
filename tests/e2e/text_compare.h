// Comparing what the program wrote with what a case expects, and showing
// the difference so that a failure can be understood without a hex dump.
#ifndef TOLVARAN_TESTS_E2E_TEXT_COMPARE_H_
#define TOLVARAN_TESTS_E2E_TEXT_COMPARE_H_

#include <string>
#include <string_view>
#include <vector>

namespace tolvaran_e2e {

// Expected text with the only two placeholders cases may use: "{TIME}"
// matches any "hh:mm:ss" (digits and colons in those places), "{{" is a
// literal "{". Everything else matches itself byte for byte; a "{" that
// starts neither is rejected, so that a placeholder typo cannot turn into
// an expectation that silently never matches.
class Pattern {
 public:
  // Throws std::invalid_argument on a bad "{".
  static Pattern Compile(std::string_view source);

  // The text as written in the case file, placeholders included.
  const std::string& source() const { return source_; }

  // True when the whole of `text` matches.
  bool Matches(std::string_view text) const;

  // True when some part of `text` matches.
  bool FoundIn(std::string_view text) const;

 private:
  struct Piece {
    bool is_time = false;
    std::string literal;
  };

  // Every piece has a fixed length, so a match is always this long.
  size_t MatchLength() const;
  bool MatchesPrefix(std::string_view text) const;

  std::string source_;
  std::vector<Piece> pieces_;
};

// `text` with invisible bytes made visible: CR as "\r", tab as "\t", other
// control bytes and bytes from 0x80 up as "\xNN". Line feeds are kept.
std::string Visible(std::string_view text);

// A unified-style line diff of `expected` (a pattern source) against
// `actual`, with a few lines of context; lines are compared through the
// pattern, so "{TIME}" lines match any time. A last line without a line
// feed is marked "[no final line feed]". Empty when they match.
std::string LineDiff(const std::string& expected, std::string_view actual);

// True when `err`, a program's standard error, carries a report of a
// sanitizer (AddressSanitizer, LeakSanitizer, UndefinedBehaviorSanitizer):
// a line "SUMMARY: ...Sanitizer..." ends every report, and a runtime error
// of UndefinedBehaviorSanitizer says "runtime error:" (also when it goes
// on without a summary).
bool CarriesSanitizerReport(std::string_view err);

}  // namespace tolvaran_e2e

#endif  // TOLVARAN_TESTS_E2E_TEXT_COMPARE_H_
