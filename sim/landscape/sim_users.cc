// The user lists: "users =", a users file and the sessions of "generate N".
#include <cstdio>

#include "sim_config.h"
#include "sim_text.h"
#include "sim_unicode.h"

namespace rfcsim {

namespace {

// A users-file number: a decimal value, anything else counts as 0.
int LenientInt(std::string_view s) {
  int value = 0;
  return ParseInt(s, &value) ? value : 0;
}

}  // namespace

UsersSource ParseUsersValue(std::string_view value) {
  UsersSource source;
  std::string word;
  std::string rest;
  SplitFirstWord(value, &word, &rest);
  if (word.empty()) return source;
  if (EqualsIgnoringCase(word, "generate")) {
    source.kind = UsersSource::kGenerate;
    int count = 0;
    if (ParseInt(rest, &count) && count > 0) {
      source.count = static_cast<unsigned long>(count);
      if (source.count > kMaxGeneratedSessions) source.count = kMaxGeneratedSessions;
    }
    return source;
  }
  source.kind = UsersSource::kFile;
  source.file = Trim(value);
  return source;
}

std::vector<Session> ParseUsersFile(std::string_view text, bool utf8) {
  std::vector<Session> sessions;
  for (std::string_view line : Lines(WithoutByteOrderMark(text))) {
    std::string trimmed = Trim(line);
    if (trimmed.empty() || trimmed[0] == '#') continue;
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (;;) {
      std::size_t semi = line.find(';', start);
      if (semi == std::string_view::npos) {
        fields.push_back(line.substr(start));
        break;
      }
      fields.push_back(line.substr(start, semi - start));
      start = semi + 1;
    }
    fields.resize(6);  // missing fields are empty
    Session session;
    // Names are taken as written, leading blanks and case included: the
    // program under test must cope with what a real system sends.
    session.mandt = PadOrCut(fields[0], kMandtWidth);
    session.bname = PadOrCut(fields[1], kBnameWidth);
    session.tcode = PadOrCut(fields[2], kTcodeWidth);
    session.term = PadOrCut(fields[3], kTermWidth);
    session.extmodi = LenientInt(fields[4]);
    session.intmodi = LenientInt(fields[5]);
    if (utf8) {
      static const std::size_t kWidths[4] = {kMandtWidth, kBnameWidth, kTcodeWidth, kTermWidth};
      std::string* narrow[4] = {&session.mandt, &session.bname, &session.tcode, &session.term};
      session.hasWide = true;
      for (int f = 0; f < 4; ++f) {
        session.wide[f] = PadOrCutWide(Utf8ToUtf16(fields[f]), kWidths[f]);
        *narrow[f] = Utf16ToLatin1(session.wide[f]);
      }
    }
    sessions.push_back(std::move(session));
  }
  return sessions;
}

// The rule of "generate N", chosen so that tests can compute what the program
// must count. Session i, for i = 0 .. N-1:
//   MANDT    the system's client (blank-padded or cut to 3)
//   BNAME    "USER" + i/2 in six digits ("USER000000", "USER000000",
//            "USER000001", ...)                 -> ceil(N/2) distinct users
//   TCODE    blank when i % 5 == 0, otherwise "SM" + (i % 50) in two digits
//                                               -> N - ceil(N/5) non-blank
//   TERM     "TERM" + i/3 in six digits         -> ceil(N/3) distinct terminals
//   EXTMODI  1                                  -> N in total
//   INTMODI  2                                  -> 2N in total
// Character fields are blank-padded to 3, 12, 20 and 20 characters.
namespace {

// Sets `field` to `text` blank-padded or cut to `width`, reusing its room.
void SetPadded(std::string* field, std::string_view text, std::size_t width) {
  field->assign(text.substr(0, width));
  field->resize(width, ' ');
}

}  // namespace

void FillGeneratedSession(unsigned long index, std::string_view client, Session* session) {
  // Formatted into a buffer and assigned: a listing's user lists run into
  // the thousands of rows, and a row must not cost an allocation per field.
  char text[32];
  SetPadded(&session->mandt, client, kMandtWidth);
  std::snprintf(text, sizeof text, "USER%06lu", index / 2);
  SetPadded(&session->bname, text, kBnameWidth);
  if (index % 5 == 0) {
    text[0] = '\0';
  } else {
    std::snprintf(text, sizeof text, "SM%02lu", index % 50);
  }
  SetPadded(&session->tcode, text, kTcodeWidth);
  std::snprintf(text, sizeof text, "TERM%06lu", index / 3);
  SetPadded(&session->term, text, kTermWidth);
  session->extmodi = 1;
  session->intmodi = 2;
}

Session GeneratedSession(unsigned long index, std::string_view client) {
  Session session;
  FillGeneratedSession(index, client, &session);
  return session;
}

std::vector<Session> GenerateSessions(unsigned long count, std::string_view client) {
  if (count > kMaxGeneratedSessions) count = kMaxGeneratedSessions;
  std::vector<Session> sessions;
  sessions.reserve(count);
  for (unsigned long i = 0; i < count; ++i) sessions.push_back(GeneratedSession(i, client));
  return sessions;
}

}  // namespace rfcsim
