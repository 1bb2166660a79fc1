#include "rfc/nwrfc/destination_section.h"

#include <cstddef>

#include "text/ascii_text.h"

namespace tolvaran {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// The next line of `text` from `*pos`, without its LF or CR LF.
std::string_view NextLine(std::string_view text, std::size_t* pos) {
  std::size_t end = text.find('\n', *pos);
  if (end == std::string_view::npos) end = text.size();
  std::string_view line = text.substr(*pos, end - *pos);
  *pos = end + 1;
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

// Splits "KEY=VALUE" at the first "="; false for a line without one.
bool SplitEntry(std::string_view line, std::string_view* key, std::string_view* value) {
  std::size_t eq = line.find('=');
  if (eq == std::string_view::npos) return false;
  *key = TrimBlanks(line.substr(0, eq));
  *value = TrimBlanks(line.substr(eq + 1));
  return true;
}

void Take(std::string* field, std::string_view value) {
  if (field->empty()) field->assign(value);
}

}  // namespace

DestinationSection ReadDestinationSection(std::string_view iniText, std::string_view destination) {
  DestinationSection section;
  std::string_view wanted = TrimBlanks(destination);
  if (wanted.empty()) return section;
  if (iniText.substr(0, 3) == "\xEF\xBB\xBF") iniText.remove_prefix(3);

  bool inside = false;
  std::size_t pos = 0;
  while (pos < iniText.size()) {
    std::string_view key;
    std::string_view value;
    if (!SplitEntry(NextLine(iniText, &pos), &key, &value)) continue;
    if (EqualsIgnoringCase(key, "DEST")) {
      if (inside) break;  // the next destination begins: ours is complete
      inside = EqualsIgnoringCase(value, wanted);
      section.found = inside;
      continue;
    }
    if (!inside) continue;
    static const struct {
      const char* name;
      std::string DestinationSection::*field;
    } kKeys[] = {
        {"ASHOST", &DestinationSection::ashost},
        {"SYSNR", &DestinationSection::sysnr},
        {"MSHOST", &DestinationSection::mshost},
        {"MSSERV", &DestinationSection::msserv},
        {"R3NAME", &DestinationSection::r3name},
        {"GROUP", &DestinationSection::group},
        {"GWHOST", &DestinationSection::gwhost},
        {"GWSERV", &DestinationSection::gwserv},
        {"SNC_MODE", &DestinationSection::sncMode},
        {"SNC_PARTNERNAME", &DestinationSection::sncPartner},
        {"SNC_QOP", &DestinationSection::sncQop},
        {"SNC_MYNAME", &DestinationSection::sncMyname},
        {"SNC_LIB", &DestinationSection::sncLib},
    };
    for (const auto& known : kKeys) {
      if (EqualsIgnoringCase(key, known.name)) Take(&(section.*known.field), value);
    }
  }
  return section;
}

}  // namespace tolvaran
