#include "driver/parameters.h"

#include "text/ascii_text.h"

namespace tolvaran {

namespace {

// The channel number after "CH=": the digits are read from the typed copy
// at the key's place. At most three characters belong to it, and a ","
// ends it early (the next key follows). Read like atoi: blanks, a sign,
// leading digits; none is 0.
int ChannelNumber(std::size_t at, std::string_view raw) {
  std::string_view number;
  if (at + 3 < raw.size()) number = raw.substr(at + 3, 3);
  number = number.substr(0, number.find(','));
  return LeadingNumber(number);
}

// A whole decimal number of at most four digits; -1 for anything else.
int WholeNumber(std::string_view text) {
  if (text.empty() || text.size() > 4) return -1;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
  }
  return value;
}

// The keys of the other monitors' dialects, found where a word starts.
struct WordKey {
  const char* key;
  bool Parameters::*has;
  std::string Parameters::*value;
};

constexpr WordKey kWordKeys[] = {
    {"FORMAT=", &Parameters::hasFormat, &Parameters::format},
    {"WARN=", &Parameters::hasWarn, &Parameters::warn},
    {"CRIT=", &Parameters::hasCrit, &Parameters::crit},
    {"OUT=", &Parameters::hasOut, &Parameters::out},
};

bool IsValueEnd(char c) { return c == ' ' || c == ','; }

std::size_t FindWordKey(std::string_view upper, std::string_view key) {
  for (std::size_t at = upper.find(key); at != std::string_view::npos;
       at = upper.find(key, at + 1)) {
    if (at == 0 || IsValueEnd(upper[at - 1])) return at;
  }
  return std::string_view::npos;
}

// Takes the word keys out of `p`'s text. Returns the upper-cased text with
// their values masked, for the other keys and markers to be looked for in.
std::string TakeWordKeys(Parameters& p, bool textWasCut) {
  std::string_view upper = p.upper.view();
  std::string_view raw = p.raw.view();
  std::string masked(upper);
  for (const WordKey& k : kWordKeys) {
    std::size_t at = FindWordKey(upper, k.key);
    if (at == std::string_view::npos) continue;
    p.*k.has = true;
    std::size_t begin = at + std::string_view(k.key).size();
    std::size_t end = begin;
    while (end < upper.size() && !IsValueEnd(upper[end])) ++end;
    p.*k.value = std::string(raw.substr(begin < raw.size() ? begin : raw.size(), end - begin));
    for (std::size_t i = begin; i < end; ++i) masked[i] = '.';
    if (k.value == &Parameters::out) p.outCut = textWasCut && end >= raw.size();
  }
  return masked;
}

Parameters Parse(std::string_view upper_text, std::string_view raw_text, bool textWasCut);

}  // namespace

void KeepRunLimits(const Parameters& before, Parameters* after) {
  if (!after->hasJobs) {
    after->hasJobs = before.hasJobs;
    after->jobs = before.jobs;
    after->badJobs = before.badJobs;
  }
  if (!after->hasTimeout) {
    after->hasTimeout = before.hasTimeout;
    after->timeoutSeconds = before.timeoutSeconds;
    after->badTimeout = before.badTimeout;
  }
  if (!after->hasMeasure) {
    after->hasMeasure = before.hasMeasure;
    after->measure = before.measure;
  }
  if (!after->hasWindow) {
    after->hasWindow = before.hasWindow;
    after->windowMinutes = before.windowMinutes;
    after->badWindow = before.badWindow;
  }
  if (!after->hasServers) {
    after->hasServers = before.hasServers;
    after->allServers = before.allServers;
    after->badServers = before.badServers;
  }
  for (const WordKey& k : kWordKeys) {
    if (k.value == &Parameters::format || after->*k.has) continue;
    after->*k.has = before.*k.has;
    after->*k.value = before.*k.value;
    if (k.value == &Parameters::out) after->outCut = before.outCut;
  }
}

bool TakeKeyValue(std::string_view upper, std::string_view raw, std::string_view key,
                  std::size_t max, std::string* value) {
  value->clear();
  std::size_t at = upper.find(key);
  if (at == std::string_view::npos) return false;
  for (std::size_t i = at + key.size(); i < upper.size() && value->size() < max; ++i) {
    if (upper[i] == ' ' || upper[i] == ',') break;
    char c = i < raw.size() ? raw[i] : upper[i];
    value->push_back(c == ':' ? ' ' : c);
  }
  return true;
}

Parameters ParseParameters(std::string_view typed) {
  FixedText<120> raw;
  raw.Set(typed);
  return Parse(AsciiUpper(raw.view()), raw.view(), typed.size() > raw.size());
}

Parameters ParseSensorParameters(std::string_view typed) {
  FixedText<120> cut;
  cut.Set(typed);
  const std::string blanked = ColonsAsBlanks(cut.view());
  Parameters p = Parse(AsciiUpper(blanked), blanked, false);
  // The dialects' keys as typed: a range "~:10" or a drive "C:" keeps its
  // ":". Only their values are taken here, not the other keys.
  Parameters as_typed;
  as_typed.upper.Set(AsciiUpper(cut.view()));
  as_typed.raw.Set(cut.view());
  TakeWordKeys(as_typed, false);
  for (const WordKey& k : kWordKeys) {
    if (k.value == &Parameters::format || !(as_typed.*k.has)) continue;
    p.*k.has = true;
    p.*k.value = as_typed.*k.value;
    if (k.value == &Parameters::out) p.outCut = as_typed.outCut;
  }
  return p;
}

std::string DisplayText(const Parameters& params) {
  std::string text = ColonsAsBlanks(params.raw.view());
  const std::size_t at = text.find(" @");
  if (at != std::string::npos) text.resize(at);
  return text;
}

namespace {

Parameters Parse(std::string_view upper_text, std::string_view raw_text, bool textWasCut) {
  Parameters p;
  p.upper.Set(upper_text);
  p.raw.Set(raw_text);
  const std::string masked = TakeWordKeys(p, textWasCut);
  std::string_view upper = masked;
  std::string_view raw = p.raw.view();

  std::size_t at = upper.find("CLIENT=");
  if (at != std::string_view::npos) p.client = std::string(upper.substr(at + 7, 3));
  p.hasItem = TakeKeyValue(upper, raw, "ITEM=", 90, &p.item);
  p.check = Contains(upper, "/CHECK");
  at = upper.find("CH=");
  p.hasChannel = at != std::string_view::npos;
  if (p.hasChannel) {
    p.channel = ChannelNumber(at, raw);
    p.displayChannel = ChannelNumber(at, DisplayText(p));
  }
  p.hostOverride = Contains(upper, ",HOST=");
  p.numberOverride = Contains(upper, ",NO=");
  p.openAsTyped = Contains(upper, "@");
  p.verbose =
      Contains(upper, "#") || Contains(upper, "@") || Contains(upper, "$") || Contains(upper, "%");
  p.firstWord = std::string(p.upper.view().substr(0, p.upper.view().find(' ')));

  std::string value;
  p.hasJobs = TakeKeyValue(upper, raw, "JOBS=", 8, &value);
  if (p.hasJobs) {
    // A slip is reported rather than replaced by a guess: the
    // administrator learns that the value was not taken.
    int jobs = WholeNumber(value);
    p.badJobs = jobs < 1 || jobs > Parameters::kMaxJobs;
    p.jobs = p.badJobs ? Parameters::kDefaultJobs : jobs;
  }
  p.hasServers = TakeKeyValue(upper, raw, "SERVERS=", 8, &value);
  if (p.hasServers) {
    const std::string servers = AsciiUpper(value);
    p.allServers = servers == "ALL";
    p.badServers = !p.allServers && servers != "ONE";
  }
  // "+" joins the names: "," ends a value and ":" stands for a blank, and
  // neither "MEASURE=" nor "WINDOW=" holds another key, nor does any name.
  p.hasMeasure = TakeKeyValue(upper, raw, "MEASURE=", 60, &value);
  if (p.hasMeasure) p.measure = AsciiUpper(value);
  p.hasWindow = TakeKeyValue(upper, raw, "WINDOW=", 8, &value);
  if (p.hasWindow) {
    int minutes = WholeNumber(value);
    p.badWindow = minutes < 1 || minutes > Parameters::kMaxWindowMinutes;
    p.windowMinutes = p.badWindow ? Parameters::kDefaultWindowMinutes : minutes;
  }
  p.hasTimeout = TakeKeyValue(upper, raw, "TIMEOUT=", 8, &value);
  if (p.hasTimeout) {
    int seconds = WholeNumber(value);
    p.badTimeout = seconds < 1 || seconds > Parameters::kMaxTimeoutSeconds;
    p.timeoutSeconds = p.badTimeout ? 0 : seconds;
  }
  return p;
}

}  // namespace

}  // namespace tolvaran
