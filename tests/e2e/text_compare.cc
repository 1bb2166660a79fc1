#include "text_compare.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace tolvaran_e2e {

namespace {

constexpr std::string_view kTime = "{TIME}";
constexpr size_t kTimeLength = 8;  // "hh:mm:ss"

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsTimeOfDay(std::string_view text) {
  return text.size() == kTimeLength && IsDigit(text[0]) && IsDigit(text[1]) && text[2] == ':' &&
         IsDigit(text[3]) && IsDigit(text[4]) && text[5] == ':' && IsDigit(text[6]) &&
         IsDigit(text[7]);
}

}  // namespace

Pattern Pattern::Compile(std::string_view source) {
  Pattern pattern;
  pattern.source_ = std::string(source);
  std::string literal;
  auto flush = [&] {
    if (!literal.empty()) pattern.pieces_.push_back(Piece{false, literal});
    literal.clear();
  };
  for (size_t i = 0; i < source.size();) {
    if (source[i] != '{') {
      literal += source[i++];
    } else if (source.compare(i, 2, "{{") == 0) {
      literal += '{';
      i += 2;
    } else if (source.compare(i, kTime.size(), kTime) == 0) {
      flush();
      pattern.pieces_.push_back(Piece{true, ""});
      i += kTime.size();
    } else {
      size_t end = source.find('\n', i);
      throw std::invalid_argument(
          "unknown placeholder at \"" +
          std::string(source.substr(i, end == source.npos ? end : end - i)) +
          "\" (only {TIME} is known; write {{ for a literal {)");
    }
  }
  flush();
  return pattern;
}

size_t Pattern::MatchLength() const {
  size_t length = 0;
  for (const Piece& piece : pieces_) length += piece.is_time ? kTimeLength : piece.literal.size();
  return length;
}

bool Pattern::MatchesPrefix(std::string_view text) const {
  size_t at = 0;
  for (const Piece& piece : pieces_) {
    if (piece.is_time) {
      if (!IsTimeOfDay(text.substr(at, kTimeLength))) return false;
      at += kTimeLength;
    } else {
      if (text.compare(at, piece.literal.size(), piece.literal) != 0) return false;
      at += piece.literal.size();
    }
  }
  return true;
}

bool Pattern::Matches(std::string_view text) const {
  return text.size() == MatchLength() && MatchesPrefix(text);
}

bool Pattern::FoundIn(std::string_view text) const {
  size_t length = MatchLength();
  if (length > text.size()) return false;
  for (size_t at = 0; at + length <= text.size(); ++at) {
    if (MatchesPrefix(text.substr(at, length))) return true;
  }
  return false;
}

std::string Visible(std::string_view text) {
  std::string out;
  for (char c : text) {
    auto byte = static_cast<unsigned char>(c);
    if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == '\n' || (byte >= 0x20 && byte < 0x7f)) {
      out += c;
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", byte);
      out += hex;
    }
  }
  return out;
}

namespace {

struct Line {
  std::string text;  // without its line feed
  bool line_feed = true;
};

std::vector<Line> SplitLines(std::string_view text) {
  std::vector<Line> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == text.npos) {
      lines.push_back(Line{std::string(text.substr(start)), false});
      break;
    }
    lines.push_back(Line{std::string(text.substr(start, end - start)), true});
    start = end + 1;
  }
  return lines;
}

std::string Show(char mark, const Line& line) {
  std::string out(1, mark);
  out += Visible(line.text);
  if (!line.line_feed) out += "[no final line feed]";
  out += '\n';
  return out;
}

enum class Op { kSame, kRemoved, kAdded };

struct Edit {
  Op op;
  size_t expected;  // index into the expected lines (kSame, kRemoved)
  size_t actual;    // index into the actual lines (kSame, kAdded)
};

// Longest common subsequence; outputs are a few hundred lines at most, so
// the quadratic table is fine. Beyond the cap everything is shown as
// changed, which is still a correct (if unhelpful) diff.
std::vector<Edit> EditScript(const std::vector<Line>& expected,
                             const std::vector<Pattern>& expected_patterns,
                             const std::vector<Line>& actual) {
  const size_t n = expected.size();
  const size_t m = actual.size();
  auto same = [&](size_t i, size_t j) {
    return expected[i].line_feed == actual[j].line_feed &&
           expected_patterns[i].Matches(actual[j].text);
  };
  std::vector<Edit> edits;
  if (n * m > 4'000'000) {
    for (size_t i = 0; i < n; ++i) edits.push_back(Edit{Op::kRemoved, i, 0});
    for (size_t j = 0; j < m; ++j) edits.push_back(Edit{Op::kAdded, 0, j});
    return edits;
  }
  // common[i][j]: LCS length of expected[i..] and actual[j..].
  std::vector<std::vector<size_t>> common(n + 1, std::vector<size_t>(m + 1, 0));
  for (size_t i = n; i-- > 0;) {
    for (size_t j = m; j-- > 0;) {
      common[i][j] =
          same(i, j) ? common[i + 1][j + 1] + 1 : std::max(common[i + 1][j], common[i][j + 1]);
    }
  }
  size_t i = 0;
  size_t j = 0;
  while (i < n || j < m) {
    if (i < n && j < m && same(i, j)) {
      edits.push_back(Edit{Op::kSame, i++, j++});
    } else if (i < n && (j == m || common[i + 1][j] >= common[i][j + 1])) {
      // On a tie take the removal first: "-" before "+" reads better.
      edits.push_back(Edit{Op::kRemoved, i++, 0});
    } else {
      edits.push_back(Edit{Op::kAdded, 0, j++});
    }
  }
  return edits;
}

std::string Range(size_t start, size_t count) {
  // Unified diffs number an empty range by the line before it.
  return std::to_string(count == 0 ? start : start + 1) + "," + std::to_string(count);
}

}  // namespace

std::string LineDiff(const std::string& expected, std::string_view actual) {
  std::vector<Line> expected_lines = SplitLines(expected);
  std::vector<Line> actual_lines = SplitLines(actual);
  std::vector<Pattern> patterns;
  for (const Line& line : expected_lines) {
    try {
      patterns.push_back(Pattern::Compile(line.text));
    } catch (const std::invalid_argument&) {
      // Callers pass checked patterns; should one slip through, comparing
      // it literally still yields a readable diff.
      patterns.push_back(Pattern::Compile(""));
    }
  }
  std::vector<Edit> edits = EditScript(expected_lines, patterns, actual_lines);
  if (std::all_of(edits.begin(), edits.end(), [](const Edit& e) { return e.op == Op::kSame; })) {
    return "";
  }

  constexpr size_t kContext = 3;
  std::string out = "--- expected\n+++ actual\n";
  size_t k = 0;
  while (k < edits.size()) {
    // Find the next change, then extend the hunk while changes follow each
    // other within twice the context.
    size_t first_change = k;
    while (first_change < edits.size() && edits[first_change].op == Op::kSame) ++first_change;
    if (first_change == edits.size()) break;
    size_t begin = first_change > kContext ? first_change - kContext : 0;
    begin = std::max(begin, k);
    size_t end = first_change;
    size_t same_run = 0;
    for (size_t e = first_change; e < edits.size(); ++e) {
      if (edits[e].op == Op::kSame) {
        if (++same_run > 2 * kContext) break;
      } else {
        same_run = 0;
        end = e + 1;
      }
    }
    end = std::min(edits.size(), end + kContext);

    size_t expected_start = 0;
    size_t actual_start = 0;
    // Position of the hunk in each file: count the lines before `begin`.
    for (size_t e = 0; e < begin; ++e) {
      if (edits[e].op != Op::kAdded) ++expected_start;
      if (edits[e].op != Op::kRemoved) ++actual_start;
    }
    size_t expected_count = 0;
    size_t actual_count = 0;
    std::string body;
    for (size_t e = begin; e < end; ++e) {
      const Edit& edit = edits[e];
      switch (edit.op) {
        case Op::kSame:
          body += Show(' ', actual_lines[edit.actual]);
          ++expected_count;
          ++actual_count;
          break;
        case Op::kRemoved:
          body += Show('-', expected_lines[edit.expected]);
          ++expected_count;
          break;
        case Op::kAdded:
          body += Show('+', actual_lines[edit.actual]);
          ++actual_count;
          break;
      }
    }
    out += "@@ -" + Range(expected_start, expected_count) + " +" +
           Range(actual_start, actual_count) + " @@\n" + body;
    k = end;
  }
  return out;
}

bool CarriesSanitizerReport(std::string_view err) {
  size_t start = 0;
  while (start < err.size()) {
    size_t end = err.find('\n', start);
    if (end == err.npos) end = err.size();
    std::string_view line = err.substr(start, end - start);
    if (line.compare(0, 9, "SUMMARY: ") == 0 && line.find("Sanitizer") != line.npos) return true;
    if (line.find(": runtime error: ") != line.npos) return true;
    start = end + 1;
  }
  return false;
}

}  // namespace tolvaran_e2e
