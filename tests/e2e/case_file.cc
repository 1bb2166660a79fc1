#include "case_file.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <set>

#include "process.h"
#include "validation.h"

namespace tolvaran_e2e {

namespace {

constexpr std::string_view kHeaderStart = "=== ";

// A "(repeat N)" file larger than this is a typo in N.
constexpr size_t kMaxFileSize = 64u << 20;

// A section as it stands in the file, before its meaning is known.
struct RawSection {
  int line = 0;  // of the header, 1-based
  std::string header;
  std::vector<std::string> words;     // the header split at blanks
  std::vector<std::string> variants;  // from a trailing "(a, b)"
  std::vector<std::string> body;
};

class Parser {
 public:
  Parser(const std::string& text, const std::string& origin) : origin_(origin) { SplitLines(text); }

  Case Parse() {
    size_t at = ParsePreamble();
    while (at < lines_.size()) {
      RawSection section = ReadSection(&at);
      Interpret(section);
    }
    Finish();
    return result_;
  }

 private:
  [[noreturn]] void Fail(int line, const std::string& message) const {
    throw CaseError(origin_ + ":" + std::to_string(line) + ": " + message);
  }

  void SplitLines(const std::string& text) {
    size_t start = 0;
    while (start < text.size()) {
      size_t end = text.find('\n', start);
      if (end == text.npos) end = text.size();
      std::string line = text.substr(start, end - start);
      int number = static_cast<int>(lines_.size()) + 1;
      // A CR here almost always means an editor or a checkout converted
      // the file; the (crlf) variants say it explicitly instead.
      if (!line.empty() && line.back() == '\r') {
        Fail(number, "line ends with CR LF; case files use LF only (write CR LF with (crlf))");
      }
      lines_.push_back(std::move(line));
      start = end + 1;
    }
  }

  static bool IsHeader(const std::string& line) {
    return line.compare(0, kHeaderStart.size(), kHeaderStart) == 0;
  }

  size_t ParsePreamble() {
    size_t at = 0;
    std::vector<std::string> comment;
    for (; at < lines_.size() && !IsHeader(lines_[at]); ++at) {
      const std::string& line = lines_[at];
      if (line.empty()) continue;
      if (line[0] != '#') {
        Fail(static_cast<int>(at) + 1,
             "only \"#\" comment lines may come before the first \"=== \" section");
      }
      std::string text = line.substr(1);
      if (!text.empty() && text[0] == ' ') text.erase(0, 1);
      comment.push_back(text);
    }
    if (comment.empty()) {
      Fail(1, "the case has no leading \"#\" comment saying what it checks");
    }
    for (size_t i = 0; i < comment.size(); ++i) {
      result_.description += (i ? "\n" : "") + comment[i];
    }
    return at;
  }

  RawSection ReadSection(size_t* at) {
    RawSection section;
    section.line = static_cast<int>(*at) + 1;
    section.header = lines_[*at].substr(kHeaderStart.size());
    ++*at;
    while (*at < lines_.size() && !IsHeader(lines_[*at])) section.body.push_back(lines_[(*at)++]);

    std::string rest = section.header;
    if (rest.empty()) Fail(section.line, "section header without a name");
    if (rest.front() == ' ' || rest.back() == ' ') {
      Fail(section.line, "blank at the start or end of the section header");
    }
    if (rest.back() == ')') {
      size_t open = rest.rfind(" (");
      if (open == rest.npos) Fail(section.line, "unbalanced \")\" in the section header");
      std::string inside = rest.substr(open + 2, rest.size() - open - 3);
      rest.erase(open);
      size_t start = 0;
      while (true) {
        size_t comma = inside.find(", ", start);
        std::string variant = inside.substr(start, comma == inside.npos ? comma : comma - start);
        if (variant.empty()) Fail(section.line, "empty variant in \"(...)\"");
        section.variants.push_back(variant);
        if (comma == inside.npos) break;
        start = comma + 2;
      }
    }
    // Words are separated by single blanks; a word in double quotes may
    // hold blanks itself (names such as "Program Files/x").
    size_t start = 0;
    while (true) {
      size_t end;
      std::string word;
      if (rest[start] == '"') {
        size_t close = rest.find('"', start + 1);
        if (close == rest.npos) Fail(section.line, "a \" in the section header is not closed");
        end = close + 1;
        if (end < rest.size() && rest[end] != ' ') {
          Fail(section.line, "a quoted word must be followed by a blank or the end");
        }
        word = rest.substr(start + 1, close - start - 1);
        if (word.empty()) Fail(section.line, "\"\" is no name");
      } else {
        end = std::min(rest.find(' ', start), rest.size());
        word = rest.substr(start, end - start);
        if (word.empty()) Fail(section.line, "two blanks in a row in the section header");
        if (word.find('"') != word.npos) {
          Fail(section.line, "a \" may only enclose a whole word of the section header");
        }
      }
      section.words.push_back(word);
      if (end >= rest.size()) break;
      start = end + 1;
      if (start == rest.size()) {
        Fail(section.line, "blank at the start or end of the section header");
      }
    }
    return section;
  }

  // --- checks shared by the sections ---

  void ExpectWords(const RawSection& s, size_t count, const char* usage) const {
    if (s.words.size() != count) Fail(s.line, std::string("expected \"=== ") + usage + "\"");
  }

  void AllowVariants(const RawSection& s, std::set<std::string> allowed) const {
    for (const std::string& variant : s.variants) {
      if (allowed.count(variant) == 0) {
        Fail(s.line, "\"(" + variant + ")\" is not a variant of \"=== " + s.words[0] + "\"");
      }
    }
    std::set<std::string> seen(s.variants.begin(), s.variants.end());
    if (seen.size() != s.variants.size()) Fail(s.line, "a variant is given twice");
  }

  bool Has(const RawSection& s, const std::string& variant) const {
    return std::find(s.variants.begin(), s.variants.end(), variant) != s.variants.end();
  }

  void ExpectEmptyBody(const RawSection& s) const {
    if (!s.body.empty()) {
      Fail(s.line + 1, "\"=== " + s.words[0] +
                           "\" takes no lines (a blank line between sections counts as one)");
    }
  }

  void Once(const RawSection& s, const std::string& key) {
    if (!seen_.insert(key).second) Fail(s.line, "\"=== " + key + "\" may appear only once");
  }

  void CheckName(const RawSection& s, const std::string& name) const {
    if (name.front() == '/') Fail(s.line, "\"" + name + "\" must be a relative path");
    if (name.back() == '/') Fail(s.line, "\"" + name + "\" ends with \"/\"");
    size_t start = 0;
    while (start <= name.size()) {
      size_t slash = name.find('/', start);
      if (slash == name.npos) slash = name.size();
      std::string part = name.substr(start, slash - start);
      if (part.empty() || part == "." || part == "..") {
        Fail(s.line, "\"" + name + "\" may not contain empty, \".\" or \"..\" components");
      }
      start = slash + 1;
    }
  }

  // The body as exact bytes, after the (crlf) and (no final line feed)
  // variants.
  std::string Render(const RawSection& s) const {
    const std::string line_end = Has(s, "crlf") ? "\r\n" : "\n";
    std::string text;
    for (size_t i = 0; i < s.body.size(); ++i) {
      text += s.body[i];
      if (i + 1 < s.body.size() || !Has(s, "no final line feed")) text += line_end;
    }
    if (Has(s, "no final line feed") && s.body.empty()) {
      Fail(s.line, "\"(no final line feed)\" needs at least one line");
    }
    return text;
  }

  // "(repeat N)" among the variants: removed from them, N returned (1
  // without it).
  size_t TakeRepeat(RawSection* s) const {
    size_t count = 1;
    bool seen = false;
    for (auto it = s->variants.begin(); it != s->variants.end();) {
      if (it->compare(0, 7, "repeat ") != 0) {
        ++it;
        continue;
      }
      if (seen) Fail(s->line, "\"(repeat N)\" is given twice");
      seen = true;
      const std::string number = it->substr(7);
      if (number.empty() || number.size() > 8 || number[0] == '0' ||
          !std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        Fail(s->line, "\"(repeat N)\" needs a count N from 1 to 99999999");
      }
      count = std::stoul(number);
      it = s->variants.erase(it);
    }
    return count;
  }

  // A line of an "(escaped)" section as bytes: "\0", "\r", "\n", "\t",
  // "\xHH" and "\\" stand for those bytes; any other backslash is an
  // error, so that a Windows path cannot silently lose its backslashes.
  std::string Unescape(const std::string& line, int number) const {
    std::string bytes;
    for (size_t i = 0; i < line.size(); ++i) {
      if (line[i] != '\\') {
        bytes += line[i];
        continue;
      }
      char next = i + 1 < line.size() ? line[i + 1] : '\0';
      i += 1;
      switch (next) {
        case '0':
          bytes += '\0';
          break;
        case 'r':
          bytes += '\r';
          break;
        case 'n':
          bytes += '\n';
          break;
        case 't':
          bytes += '\t';
          break;
        case '\\':
          bytes += '\\';
          break;
        case 'x': {
          std::string hex = line.substr(i + 1, 2);
          if (hex.size() != 2 || !std::all_of(hex.begin(), hex.end(), [](char c) {
                return std::isxdigit(static_cast<unsigned char>(c)) != 0;
              })) {
            Fail(number, "\"\\x\" needs two hex digits");
          }
          bytes += static_cast<char>(std::stoi(hex, nullptr, 16));
          i += 2;
          break;
        }
        default:
          Fail(number,
               "unknown escape in an (escaped) section (known: \\0 \\r \\n \\t \\xHH "
               "\\\\)");
      }
    }
    return bytes;
  }

  Pattern CompilePattern(const RawSection& s) const {
    // Compile line by line first so that a bad "{" is reported at its line.
    for (size_t i = 0; i < s.body.size(); ++i) {
      try {
        Pattern::Compile(s.body[i]);
      } catch (const std::invalid_argument& e) {
        Fail(s.line + 1 + static_cast<int>(i), e.what());
      }
    }
    return Pattern::Compile(Render(s));
  }

  // --- the sections ---

  void Interpret(const RawSection& s) {
    const std::string& kind = s.words[0];
    if (kind == "args") {
      ExpectWords(s, 1, "args");
      AllowVariants(s, {"escaped"});
      Once(s, kind);
      result_.args = s.body;
      if (Has(s, "escaped")) {
        for (size_t i = 0; i < result_.args.size(); ++i) {
          result_.args[i] = Unescape(result_.args[i], s.line + 1 + static_cast<int>(i));
        }
      }
    } else if (kind == "file") {
      ExpectWords(s, 2, "file NAME");
      RawSection plain = s;
      size_t repeat = TakeRepeat(&plain);
      AllowVariants(plain, {"crlf", "no final line feed", "escaped"});
      CheckName(s, s.words[1]);
      if (Has(plain, "escaped")) {
        for (size_t i = 0; i < plain.body.size(); ++i) {
          plain.body[i] = Unescape(plain.body[i], s.line + 1 + static_cast<int>(i));
        }
      }
      ScratchEntry setup;
      setup.kind = ScratchEntry::Kind::kFile;
      setup.name = s.words[1];
      const std::string once = Render(plain);
      if (once.size() * repeat > kMaxFileSize) {
        Fail(s.line, "the file would be larger than " + std::to_string(kMaxFileSize) + " bytes");
      }
      setup.content.reserve(once.size() * repeat);
      for (size_t i = 0; i < repeat; ++i) setup.content += once;
      setup.line = s.line;
      result_.setup.push_back(setup);
    } else if (kind == "dir") {
      ExpectWords(s, 2, "dir NAME");
      AllowVariants(s, {});
      ExpectEmptyBody(s);
      CheckName(s, s.words[1]);
      ScratchEntry setup;
      setup.kind = ScratchEntry::Kind::kDir;
      setup.name = s.words[1];
      setup.line = s.line;
      result_.setup.push_back(setup);
    } else if (kind == "fifo") {
      ExpectWords(s, 2, "fifo NAME");
      AllowVariants(s, {});
      ExpectEmptyBody(s);
      CheckName(s, s.words[1]);
      ScratchEntry setup;
      setup.kind = ScratchEntry::Kind::kFifo;
      setup.name = s.words[1];
      setup.line = s.line;
      result_.setup.push_back(setup);
    } else if (kind == "held-lock") {
      ExpectWords(s, 2, "held-lock NAME");
      AllowVariants(s, {});
      ExpectEmptyBody(s);
      CheckName(s, s.words[1]);
      ScratchEntry setup;
      setup.kind = ScratchEntry::Kind::kHeldLock;
      setup.name = s.words[1];
      setup.line = s.line;
      result_.setup.push_back(setup);
    } else if (kind == "link") {
      ExpectWords(s, 3, "link NAME TARGET");
      AllowVariants(s, {});
      ExpectEmptyBody(s);
      CheckName(s, s.words[1]);
      CheckName(s, s.words[2]);
      ScratchEntry setup;
      setup.kind = ScratchEntry::Kind::kLink;
      setup.name = s.words[1];
      setup.from = s.words[2];
      setup.line = s.line;
      result_.setup.push_back(setup);
    } else if (kind == "copy") {
      ExpectWords(s, 3, "copy NAME FROM");
      AllowVariants(s, {});
      ExpectEmptyBody(s);
      CheckName(s, s.words[1]);
      CheckName(s, s.words[2]);
      ScratchEntry setup;
      setup.kind = ScratchEntry::Kind::kCopy;
      setup.name = s.words[1];
      setup.from = s.words[2];
      setup.line = s.line;
      result_.setup.push_back(setup);
    } else if (kind == "program") {
      ExpectWords(s, 2, "program NAME");
      AllowVariants(s, {"link"});
      ExpectEmptyBody(s);
      Once(s, kind);
      CheckName(s, s.words[1]);
      result_.placement = Has(s, "link") ? Placement::kLink : Placement::kCopy;
      result_.program_name = s.words[1];
      program_line_ = s.line;
    } else if (kind == "library") {
      ExpectWords(s, 2, "library absent|classic|netweaver");
      const std::string& which = s.words[1];
      if (which != "absent" && which != "classic" && which != "netweaver") {
        Fail(s.line, "expected \"=== library absent\", \"classic\" or \"netweaver\"");
      }
      AllowVariants(s, {});
      ExpectEmptyBody(s);
      Once(s, kind);
      if (which == "absent") {
        result_.library_absent = true;
      } else {
        result_.only_library = which == "classic" ? LibraryKind::kClassic : LibraryKind::kNetWeaver;
      }
    } else if (kind == "companion") {
      ExpectWords(s, 2, "companion absent");
      if (s.words[1] != "absent") Fail(s.line, "expected \"=== companion absent\"");
      AllowVariants(s, {});
      ExpectEmptyBody(s);
      Once(s, kind);
      result_.companion_absent = true;
      companion_line_ = s.line;
    } else if (kind == "stdout") {
      ExpectWords(s, 1, "stdout");
      AllowVariants(s, {"crlf", "no final line feed"});
      Once(s, kind);
      result_.expected_stdout = CompilePattern(s);
    } else if (kind == "stdout-contains") {
      ExpectWords(s, 1, "stdout-contains");
      AllowVariants(s, {});
      if (s.body.empty()) Fail(s.line, "\"=== stdout-contains\" needs at least one line");
      for (size_t i = 0; i < s.body.size(); ++i) {
        int line = s.line + 1 + static_cast<int>(i);
        if (s.body[i].empty()) Fail(line, "an empty line is found in any output; remove it");
        try {
          result_.stdout_contains.push_back(Pattern::Compile(s.body[i]));
        } catch (const std::invalid_argument& e) {
          Fail(line, e.what());
        }
      }
    } else if (kind == "status") {
      ExpectWords(s, 1, "status");
      AllowVariants(s, {});
      Once(s, kind);
      if (s.body.size() != 1) Fail(s.line, "\"=== status\" takes exactly one line: a number");
      const std::string& number = s.body[0];
      if (number.empty() || number.size() > 3 ||
          !std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; }) ||
          std::stoi(number) > 255) {
        Fail(s.line + 1, "the exit status must be a number from 0 to 255");
      }
      result_.expected_status = std::stoi(number);
    } else if (kind == "exists") {
      ExpectWords(s, 2, "exists NAME");
      AllowVariants(s, {"crlf", "no final line feed", "empty"});
      CheckName(s, s.words[1]);
      FileCheck check;
      check.name = s.words[1];
      check.must_exist = true;
      check.line = s.line;
      if (Has(s, "empty")) {
        if (!s.body.empty() || s.variants.size() != 1) {
          Fail(s.line, "\"(empty)\" takes no lines and no other variant");
        }
        check.content = Pattern::Compile("");
      } else if (!s.body.empty()) {
        check.content = CompilePattern(s);
      } else if (!s.variants.empty()) {
        Fail(s.line, "a variant without lines to apply it to");
      }
      result_.file_checks.push_back(check);
    } else if (kind == "gone") {
      ExpectWords(s, 2, "gone NAME");
      AllowVariants(s, {});
      ExpectEmptyBody(s);
      CheckName(s, s.words[1]);
      FileCheck check;
      check.name = s.words[1];
      check.must_exist = false;
      check.line = s.line;
      result_.file_checks.push_back(check);
    } else if (kind == "validate") {
      if (s.words.size() != 2 && s.words.size() != 3) {
        Fail(s.line, "expected \"=== validate KIND\" or \"=== validate KIND FILE\"");
      }
      AllowVariants(s, {});
      ExpectEmptyBody(s);
      if (!IsValidatorKind(s.words[1])) {
        Fail(s.line, "no validator \"" + s.words[1] + "\" (known: " + ValidatorKindList() + ")");
      }
      Validation validation;
      validation.kind = s.words[1];
      if (s.words.size() == 3) {
        CheckName(s, s.words[2]);
        validation.file = s.words[2];
      }
      validation.line = s.line;
      result_.validations.push_back(validation);
    } else if (kind == "no-leftovers") {
      ExpectWords(s, 1, "no-leftovers");
      AllowVariants(s, {});
      ExpectEmptyBody(s);
      Once(s, kind);
      result_.no_leftovers = true;
    } else if (kind == "secret") {
      ExpectWords(s, 2, "secret TEXT");
      AllowVariants(s, {});
      ExpectEmptyBody(s);
      result_.secrets.push_back(s.words[1]);
    } else if (kind == "drive") {
      ExpectWords(s, 2, "drive C");
      if (s.words[1] != "C") Fail(s.line, "only drive C can be given to a case (\"=== drive C\")");
      AllowVariants(s, {});
      ExpectEmptyBody(s);
      Once(s, kind);
      result_.drive_c = true;
      drive_line_ = s.line;
    } else if (kind == "stdin") {
      ExpectWords(s, 1, "stdin");
      AllowVariants(s, {"no final line feed", "escaped", "open"});
      Once(s, kind);
      RawSection plain = s;
      if (Has(s, "escaped")) {
        for (size_t i = 0; i < plain.body.size(); ++i) {
          plain.body[i] = Unescape(plain.body[i], s.line + 1 + static_cast<int>(i));
        }
      }
      result_.stdin_bytes = Render(plain);
      if (result_.stdin_bytes->size() > kMaxStdinBytes) {
        Fail(s.line, "standard input takes at most " + std::to_string(kMaxStdinBytes) + " bytes");
      }
      result_.stdin_open = Has(s, "open");
    } else if (kind == "start") {
      ExpectWords(s, 1, "start (...)");
      AllowVariants(s, {"stdout closed", "sigchld ignored"});
      ExpectEmptyBody(s);
      Once(s, kind);
      if (s.variants.empty())
        Fail(s.line, "\"=== start\" needs a variant, such as (stdout closed)");
      result_.stdout_closed = Has(s, "stdout closed");
      result_.sigchld_ignored = Has(s, "sigchld ignored");
      start_line_ = s.line;
    } else if (kind == "windows-only" || kind == "posix-only") {
      ExpectWords(s, 1, kind.c_str());
      AllowVariants(s, {});
      ExpectEmptyBody(s);
      Once(s, "windows-only/posix-only");
      result_.only_on = kind == "windows-only" ? Platform::kWindows : Platform::kPosix;
    } else {
      Fail(s.line,
           "unknown section \"=== " + s.header +
               "\" (known: args, file, dir, copy, program, library absent, drive C, "
               "stdin, start, held-lock, stdout, stdout-contains, validate, status, exists, "
               "gone, no-leftovers, secret, windows-only, posix-only)");
    }
  }

  void Finish() {
    if (seen_.count("status") == 0) {
      Fail(static_cast<int>(lines_.size()), "the case has no \"=== status\" section");
    }
    if (result_.companion_absent && result_.only_library != LibraryKind::kNetWeaver) {
      // Only the NetWeaver library has companions.
      Fail(companion_line_, "\"=== companion absent\" needs \"=== library netweaver\"");
    }
    if (result_.library_absent && result_.placement == Placement::kLink) {
      // A link leads the program back to the build folder, where the
      // library is; the case would not test what it says.
      Fail(program_line_, "\"(link)\" cannot be combined with \"=== library absent\"");
    }
    if (result_.stdout_closed && (result_.expected_stdout || !result_.stdout_contains.empty())) {
      Fail(start_line_, "\"(stdout closed)\": there is no output to compare");
    }
    if (result_.drive_c && result_.only_on != Platform::kWindows) {
      // Only Wine can give a case a drive C: of its own.
      Fail(drive_line_, "\"=== drive C\" needs \"=== windows-only\"");
    }
  }

  std::string origin_;
  std::vector<std::string> lines_;
  std::set<std::string> seen_;
  int program_line_ = 0;
  int drive_line_ = 0;
  int companion_line_ = 0;
  int start_line_ = 0;
  Case result_;
};

}  // namespace

Case ParseCase(const std::string& text, const std::string& origin) {
  return Parser(text, origin).Parse();
}

}  // namespace tolvaran_e2e
