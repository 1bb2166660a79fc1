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

}  // namespace

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
  return ParseParameters(AsciiUpper(raw.view()), raw.view());
}

Parameters ParseParameters(std::string_view upper_text, std::string_view raw_text) {
  Parameters p;
  p.upper.Set(upper_text);
  p.raw.Set(raw_text);
  std::string_view upper = p.upper.view();
  std::string_view raw = p.raw.view();

  std::size_t at = upper.find("CLIENT=");
  if (at != std::string_view::npos) p.client = std::string(upper.substr(at + 7, 3));
  p.hasItem = TakeKeyValue(upper, raw, "ITEM=", 90, &p.item);
  p.check = Contains(upper, "/CHECK");
  at = upper.find("CH=");
  p.hasChannel = at != std::string_view::npos;
  if (p.hasChannel) p.channel = ChannelNumber(at, raw);
  p.hostOverride = Contains(upper, ",HOST=");
  p.numberOverride = Contains(upper, ",NO=");
  p.openAsTyped = Contains(upper, "@");
  p.verbose =
      Contains(upper, "#") || Contains(upper, "@") || Contains(upper, "$") || Contains(upper, "%");
  p.firstWord = std::string(upper.substr(0, upper.find(' ')));
  return p;
}

}  // namespace tolvaran
