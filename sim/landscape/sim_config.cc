#include "sim_config.h"

#include <climits>
#include <cstdio>

#include "sim_unicode.h"

namespace rfcsim {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

char LowerChar(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

char UpperChar(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

std::string ToLower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = LowerChar(c);
  return out;
}

// Splits text into lines; a CR before the LF is dropped, so files written on
// Windows read the same.
std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

// The first blank-separated word and the trimmed rest.
void SplitFirstWord(std::string_view s, std::string* word, std::string* rest) {
  std::string t = Trim(s);
  std::size_t blank = 0;
  while (blank < t.size() && !IsBlank(t[blank])) ++blank;
  *word = t.substr(0, blank);
  *rest = Trim(std::string_view(t).substr(blank));
}

// A users-file number: a decimal value, anything else counts as 0.
int LenientInt(std::string_view s) {
  int value = 0;
  return ParseInt(s, &value) ? value : 0;
}

}  // namespace

std::string Trim(std::string_view s) {
  std::size_t begin = 0;
  std::size_t end = s.size();
  while (begin < end && IsBlank(s[begin])) ++begin;
  while (end > begin && IsBlank(s[end - 1])) --end;
  return std::string(s.substr(begin, end - begin));
}

std::string TrimTrailingBlanks(std::string_view s) {
  std::size_t end = s.size();
  while (end > 0 && s[end - 1] == ' ') --end;
  return std::string(s.substr(0, end));
}

std::string ToUpper(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = UpperChar(c);
  return out;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (LowerChar(a[i]) != LowerChar(b[i])) return false;
  }
  return true;
}

std::string PadOrCut(std::string_view s, std::size_t width) {
  std::string out(s.substr(0, width));
  out.resize(width, ' ');
  return out;
}

bool ParseInt(std::string_view s, int* value) {
  std::string t = Trim(s);
  std::size_t i = 0;
  bool negative = false;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
  if (i == t.size()) return false;
  long long v = 0;
  for (; i < t.size(); ++i) {
    if (t[i] < '0' || t[i] > '9') return false;
    v = v * 10 + (t[i] - '0');
    if (v > static_cast<long long>(INT_MAX) + 1) return false;
  }
  if (negative) v = -v;
  if (v < INT_MIN || v > INT_MAX) return false;
  *value = static_cast<int>(v);
  return true;
}

Outcome ParseOutcome(std::string_view value) {
  Outcome outcome;
  std::string word;
  std::string rest;
  SplitFirstWord(value, &word, &rest);
  word = ToLower(word);
  if (word == "ok" && rest.empty()) return outcome;
  if (word == "failure" && rest.empty()) {
    outcome.kind = OutcomeKind::kFailure;
    return outcome;
  }
  if (word == "callfail" && rest.empty()) {
    outcome.kind = OutcomeKind::kCallFail;
    return outcome;
  }
  if ((word == "exception" || word == "sysexception") && !rest.empty()) {
    outcome.kind = word == "exception" ? OutcomeKind::kException : OutcomeKind::kSysException;
    outcome.name = rest;
    return outcome;
  }
  if (word == "other" && ParseInt(rest, &outcome.code)) {
    outcome.kind = OutcomeKind::kOther;
    return outcome;
  }
  // A slip in the file should show, not quietly pass as success.
  outcome.kind = OutcomeKind::kFailure;
  outcome.note = "unknown outcome '" + Trim(value) + "' taken as failure";
  return outcome;
}

OperationSet ParseOperations(std::string_view value) {
  static const struct {
    const char* name;
    Operation op;
  } kNames[] = {
      {"RfcOpen", kOpRfcOpen},
      {"RfcOpenEx", kOpRfcOpenEx},
      {"RfcCall", kOpRfcCall},
      {"RfcReceive", kOpRfcReceive},
      {"RfcInstallStructure", kOpRfcInstallStructure},
      {"ItCreate", kOpItCreate},
      {"ItGetLine", kOpItGetLine},
      {"ItDelete", kOpItDelete},
      {"RfcOpenConnection", kOpRfcOpenConnection},
      {"RfcCloseConnection", kOpRfcCloseConnection},
      {"RfcGetFunctionDesc", kOpRfcGetFunctionDesc},
      {"RfcCreateFunction", kOpRfcCreateFunction},
      {"RfcDestroyFunction", kOpRfcDestroyFunction},
      {"RfcSetChars", kOpRfcSetChars},
      {"RfcInvoke", kOpRfcInvoke},
      {"RfcGetTable", kOpRfcGetTable},
      {"RfcGetRowCount", kOpRfcGetRowCount},
      {"RfcMoveTo", kOpRfcMoveTo},
      {"RfcGetChars", kOpRfcGetChars},
      {"RfcGetInt", kOpRfcGetInt},
      {"RfcSetInt", kOpRfcSetInt},
      {"RfcGetStructure", kOpRfcGetStructure},
  };
  OperationSet set = 0;
  std::size_t i = 0;
  while (i < value.size()) {
    while (i < value.size() && (IsBlank(value[i]) || value[i] == ',')) ++i;
    std::size_t start = i;
    while (i < value.size() && !IsBlank(value[i]) && value[i] != ',') ++i;
    std::string_view name = value.substr(start, i - start);
    for (const auto& known : kNames) {
      if (!name.empty() && EqualsIgnoringCase(name, known.name)) set |= known.op;
    }
  }
  return set;
}

const SimSystem* SimConfig::FindByHost(const char* host, int sysnr) const {
  if (host == nullptr || *host == '\0') return nullptr;
  for (const std::vector<SimSystem>* list : {&systems, &instances}) {
    for (const SimSystem& system : *list) {
      if (!system.host.empty() && EqualsIgnoringCase(system.host, host) && system.sysnr == sysnr) {
        return &system;
      }
    }
  }
  return nullptr;
}

const SimSystem* SimConfig::FindByGateway(const char* gwhost, const char* gwservice) const {
  if (gwhost == nullptr || *gwhost == '\0' || gwservice == nullptr || *gwservice == '\0') {
    return nullptr;
  }
  for (const SimSystem& system : systems) {
    if (!system.gwhost.empty() && EqualsIgnoringCase(system.gwhost, gwhost) &&
        EqualsIgnoringCase(system.gwservice, gwservice)) {
      return &system;
    }
  }
  return nullptr;
}

const SimSystem* SimConfig::FindByName(std::string_view destination) const {
  if (destination.empty()) return nullptr;
  for (const SimSystem& system : systems) {
    if (EqualsIgnoringCase(system.name, destination)) return &system;
  }
  return nullptr;
}

const SimSystem* SimConfig::FindByMessageServer(std::string_view mshost,
                                                std::string_view sysid) const {
  if (mshost.empty()) return nullptr;
  const SimSystem* system = FindByName(sysid);
  if (system == nullptr || system->mshost.empty()) return nullptr;
  return EqualsIgnoringCase(system->mshost, mshost) ? system : nullptr;
}

bool ParseDelay(std::string_view value, int* ms) {
  int parsed = 0;
  if (!ParseInt(value, &parsed) || parsed < 0 || parsed > 3600 * 1000) return false;
  *ms = parsed;
  return true;
}

namespace {

// A key of a system's or an instance's section; unknown keys are passed
// over.
void ApplyKey(SimSystem& system, const std::string& key, const std::string& value, bool* delaySet) {
  if (key == "host") {
    system.host = value;
  } else if (key == "sysnr") {
    if (!ParseInt(value, &system.sysnr)) system.sysnr = -1;
  } else if (key == "gwhost") {
    system.gwhost = value;
  } else if (key == "gwservice") {
    system.gwservice = value;
  } else if (key == "client") {
    system.client = value;
  } else if (key == "user") {
    system.user = value;
  } else if (key == "password") {
    system.password = value;
  } else if (key == "users") {
    system.users = value;
  } else if (key == "thusrinfo") {
    system.thusrinfo = ParseOutcome(value);
  } else if (key == "get_cpu_all") {
    system.getCpuAll = ParseOutcome(value);
  } else if (key == "th_server_list") {
    system.thServerList = ParseOutcome(value);
  } else if (key == "rfc_system_info") {
    system.rfcSystemInfo = ParseOutcome(value);
  } else if (key == "abort") {
    system.abort |= ParseOperations(value);
  } else if (key == "fail") {
    system.fail |= ParseOperations(value);
  } else if (key == "hang") {
    system.hang |= ParseOperations(value);
  } else if (key == "delay") {
    // A section's own "delay = 0" overrides a global delay.
    if (!ParseDelay(value, &system.delayMs)) system.delayMs = 0;
    *delaySet = true;
  } else if (key == "mshost") {
    system.mshost = value;
  } else if (key == "snc") {
    system.sncRequired = EqualsIgnoringCase(value, "required");
  } else if (key == "snc_partner") {
    system.sncPartner = value;
  } else if (key == "users_encoding") {
    system.usersUtf8 = EqualsIgnoringCase(value, "utf-8") || EqualsIgnoringCase(value, "utf8");
  } else if (key == "instance") {
    system.instance = value;
  } else if (key == "serv") {
    system.serv = value;
    system.servSet = true;
  }
}

std::string TwoDigitNumber(int number) {
  return (number >= 0 && number < 10 ? "0" : "") + std::to_string(number);
}

// An instance section's keys, kept until its system's section is complete.
struct InstanceSection {
  std::string system;
  std::string name;
  std::vector<std::pair<std::string, std::string>> keys;
};

}  // namespace

SimConfig ParseSimConfig(std::string_view text) {
  SimConfig config;
  // An index, not a pointer: adding a system moves the others.
  std::size_t current = 0;
  enum { kGlobal, kSystem, kInstance } in = kGlobal;
  std::vector<bool> delaySet;  // per system: its section has a "delay" line
  std::vector<InstanceSection> instanceSections;
  for (std::string_view raw : Lines(WithoutByteOrderMark(text))) {
    std::string line = Trim(raw);
    if (line.empty() || line[0] == '#' || line[0] == ';') continue;
    if (line[0] == '[') {
      std::size_t close = line.find(']');
      if (close == std::string::npos) continue;
      std::string name = Trim(std::string_view(line).substr(1, close - 1));
      if (name.empty()) continue;
      // A section repeated later goes on describing the same system or
      // instance.
      std::size_t slash = name.find('/');
      if (slash != std::string::npos) {
        std::string system = Trim(std::string_view(name).substr(0, slash));
        std::string instance = Trim(std::string_view(name).substr(slash + 1));
        in = kInstance;
        current = instanceSections.size();
        for (std::size_t i = 0; i < instanceSections.size(); ++i) {
          if (EqualsIgnoringCase(instanceSections[i].system, system) &&
              EqualsIgnoringCase(instanceSections[i].name, instance)) {
            current = i;
          }
        }
        if (current == instanceSections.size()) {
          instanceSections.push_back(InstanceSection{system, instance, {}});
        }
        continue;
      }
      in = kSystem;
      current = config.systems.size();
      for (std::size_t i = 0; i < config.systems.size(); ++i) {
        if (EqualsIgnoringCase(config.systems[i].name, name)) current = i;
      }
      if (current == config.systems.size()) {
        config.systems.emplace_back();
        config.systems.back().name = name;
        delaySet.push_back(false);
      }
      continue;
    }
    std::size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    std::string key = ToLower(Trim(std::string_view(line).substr(0, eq)));
    std::string value = Trim(std::string_view(line).substr(eq + 1));
    if (in == kGlobal) {
      if (key == "abort") config.globalAbort |= ParseOperations(value);
      if (key == "fail") config.globalFail |= ParseOperations(value);
      if (key == "hang") config.globalHang |= ParseOperations(value);
      if (key == "delay") ParseDelay(value, &config.globalDelayMs);
    } else if (in == kInstance) {
      instanceSections[current].keys.emplace_back(key, value);
    } else {
      bool ownDelay = false;
      ApplyKey(config.systems[current], key, value, &ownDelay);
      if (ownDelay) delaySet[current] = true;
    }
  }
  for (std::size_t i = 0; i < config.systems.size(); ++i) {
    SimSystem& system = config.systems[i];
    system.abort |= config.globalAbort;
    system.fail |= config.globalFail;
    system.hang |= config.globalHang;
    if (!delaySet[i]) system.delayMs = config.globalDelayMs;
  }
  // An instance starts as a copy of its system, without the ways to reach
  // the system and without its name and service.
  for (const InstanceSection& section : instanceSections) {
    const SimSystem* parent = config.FindByName(section.system);
    if (parent == nullptr) continue;
    SimSystem instance = *parent;
    instance.host.clear();
    instance.sysnr = 0;
    instance.gwhost.clear();
    instance.gwservice.clear();
    instance.mshost.clear();
    instance.instance = section.name;
    instance.serv.clear();
    instance.servSet = false;
    bool ownDelay = false;
    for (const auto& key : section.keys) ApplyKey(instance, key.first, key.second, &ownDelay);
    instance.instance = section.name;
    config.instances.push_back(std::move(instance));
  }
  auto complete = [](SimSystem& system) {
    if (system.instance.empty()) {
      system.instance = system.host + "_" + system.name + "_" + TwoDigitNumber(system.sysnr);
    }
    if (!system.servSet) system.serv = "sapdp" + TwoDigitNumber(system.sysnr);
  };
  for (SimSystem& system : config.systems) complete(system);
  for (SimSystem& instance : config.instances) complete(instance);
  for (SimSystem& system : config.systems) {
    system.servers.push_back(SimServer{system.instance, system.host, system.serv});
    for (const SimSystem& instance : config.instances) {
      if (EqualsIgnoringCase(instance.name, system.name)) {
        system.servers.push_back(SimServer{instance.instance, instance.host, instance.serv});
      }
    }
  }
  for (SimSystem& instance : config.instances) {
    instance.servers = config.FindByName(instance.name)->servers;
  }
  return config;
}

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

std::map<std::string, std::string> ParseConnectString(std::string_view text) {
  std::map<std::string, std::string> pairs;
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && IsBlank(text[i])) ++i;
    std::size_t start = i;
    while (i < text.size() && !IsBlank(text[i]) && text[i] != '=') ++i;
    if (i >= text.size() || text[i] != '=') continue;
    std::string_view key = text.substr(start, i - start);
    ++i;
    // A value in double quotes runs to the next double quote, blanks
    // included; the quotes are no part of it.
    std::string_view value;
    if (i < text.size() && text[i] == '"') {
      std::size_t close = text.find('"', i + 1);
      if (close == std::string_view::npos) close = text.size();
      value = text.substr(i + 1, close - i - 1);
      i = close < text.size() ? close + 1 : close;
    } else {
      std::size_t from = i;
      while (i < text.size() && !IsBlank(text[i])) ++i;
      value = text.substr(from, i - from);
    }
    if (key.empty()) continue;
    pairs[ToUpper(key)] = std::string(value);
  }
  return pairs;
}

bool SapRfcIniHasDestination(std::string_view text, std::string_view destination) {
  return ReadDestinationEntries(text, destination, nullptr);
}

bool ReadDestinationEntries(std::string_view text, std::string_view destination,
                            std::map<std::string, std::string>* entries) {
  std::string wanted = Trim(destination);
  if (wanted.empty()) return false;
  bool found = false;
  for (std::string_view line : Lines(WithoutByteOrderMark(text))) {
    std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    std::string key = ToLower(Trim(line.substr(0, eq)));
    std::string value = Trim(line.substr(eq + 1));
    if (key == "dest") {
      if (found) break;  // the next section begins
      found = EqualsIgnoringCase(value, wanted);
    } else if (found && entries != nullptr) {
      entries->emplace(key, value);
    }
  }
  return found;
}

std::string_view WithoutByteOrderMark(std::string_view text) {
  if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  return text;
}

}  // namespace rfcsim
