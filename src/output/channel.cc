#include "output/channel.h"

#include <cstddef>
#include <string>

#include "output/xml_text.h"
#include "text/ascii_text.h"

namespace tolvaran {

namespace {

// The keyed-text front-ends show a unit symbol, not the unit's name; an
// empty unit still needs a placeholder so that their column stays.
std::string UnitText(std::string_view unit) {
  if (unit.empty()) return "#";
  if (unit == "PerCent") return "%";
  if (unit == "TimeResponse") return "mSec";
  return std::string(unit);
}

// Keys become identifiers in the front-end: no blanks and no path
// separators. Only the first dot is turned: the keys the front-ends already
// know were formed that way, and a channel must keep its key.
std::string ChannelKey(std::string_view channelName, std::string_view displayName) {
  std::string key(channelName.empty() ? displayName : channelName);
  for (char& c : key) {
    if (c == ' ' || c == '/' || c == '\\') c = '_';
  }
  std::size_t dot = key.find('.');
  if (dot != std::string::npos) key[dot] = '_';
  return key;
}

// The keyed-text dialects take a text as far as its first NUL.
std::string UpToNul(std::string_view text) { return std::string(text.substr(0, text.find('\0'))); }

}  // namespace

std::string ChannelText(OutputFlavour dialect, const Channel& channel) {
  std::string out;
  switch (dialect) {
    case OutputFlavour::kQuillrax: {
      std::string key = UpToNul(ChannelKey(channel.name, channel.displayName));
      out += "\n\nMessage.";
      out += key;
      out += ": ";
      out += UpToNul(channel.displayName);
      out += " (";
      out += UpToNul(UnitText(channel.unit));
      out += ")";
      out += "\nStatistic.";
      out += key;
      out += ": ";
      out += UpToNul(channel.value);
      break;
    }
    case OutputFlavour::kTembrel:
      out += "\n> ";
      out += UpToNul(channel.displayName);
      out += ": ";
      out += UpToNul(channel.value);
      out += " ";
      out += UpToNul(UnitText(channel.unit));
      break;
    case OutputFlavour::kExeXml:
    case OutputFlavour::kMirvane:
    case OutputFlavour::kFandrok:
      // A system label or unit with "&" or "<" must not break the document
      // the monitor parses.
      out += "\n<Result><Channel>";
      out += EscapeXmlText(channel.displayName);
      out += "</Channel>";
      if (!channel.unit.empty()) {
        out += "\n<Unit>Custom</Unit>";
        out += "\n<CustomUnit>";
        out += EscapeXmlText(channel.unit);
        out += "</CustomUnit>";
      }
      out += "\n<Value>";
      out += EscapeXmlText(channel.value);
      out += "</Value>";
      if (channel.warning) out += "\n<Warning>1</Warning>";
      out += "</Result>\n";
      break;
  }
  return out;
}

}  // namespace tolvaran
