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

// A value whose definition asks for more than a plain channel: a unit, a
// decimal point or limits.
bool Defined(const Channel& channel) {
  const ValueDefinition* d = channel.definition;
  return d && (d->unit != Unit::kCount || d->decimals > 0 ||
               d->limitMaxWarning != ValueDefinition::kNoLimit ||
               d->limitMaxError != ValueDefinition::kNoLimit);
}

}  // namespace

std::string XmlUnitTags(Unit unit) {
  // PRTG's units; minutes are a custom one.
  switch (unit) {
    case Unit::kPercent:
      return "\n<Unit>Percent</Unit>";
    case Unit::kMilliseconds:
      return "\n<Unit>TimeResponse</Unit>";
    case Unit::kMinutes:
      return "\n<Unit>Custom</Unit>\n<CustomUnit>min</CustomUnit>";
    case Unit::kCount:
      break;
  }
  return "\n<Unit>Count</Unit>";
}

std::string XmlLimitTags(const ValueDefinition& d) {
  if (d.limitMaxWarning == ValueDefinition::kNoLimit &&
      d.limitMaxError == ValueDefinition::kNoLimit) {
    return "";
  }
  std::string out;
  if (d.limitMaxWarning != ValueDefinition::kNoLimit) {
    out += "\n<LimitMaxWarning>" + ValueText(d, d.limitMaxWarning) + "</LimitMaxWarning>";
  }
  if (d.limitMaxError != ValueDefinition::kNoLimit) {
    out += "\n<LimitMaxError>" + ValueText(d, d.limitMaxError) + "</LimitMaxError>";
  }
  return out + "\n<LimitMode>1</LimitMode>";
}

std::string KeyedUnit(Unit unit) {
  switch (unit) {
    case Unit::kPercent:
      return "PerCent";
    case Unit::kMilliseconds:
      return "TimeResponse";
    case Unit::kMinutes:
      return "min";
    case Unit::kCount:
      break;
  }
  return "";
}

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
      if (Defined(channel)) {
        out += XmlUnitTags(channel.definition->unit);
        out += "\n<Value>";
        out += EscapeXmlText(channel.value);
        out += "</Value>";
        if (channel.definition->decimals > 0) out += "\n<Float>1</Float>";
        out += XmlLimitTags(*channel.definition);
        if (channel.warning) out += "\n<Warning>1</Warning>";
        out += "</Result>\n";
        break;
      }
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
