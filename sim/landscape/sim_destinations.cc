// RfcOpenEx's connect string and the destinations of SapRfc.ini and
// sapnwrfc.ini.
#include <map>
#include <string>

#include "sim_config.h"
#include "sim_text.h"

namespace rfcsim {

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

}  // namespace rfcsim
