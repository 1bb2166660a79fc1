#include "output/channel.h"

#include <cstddef>
#include <string>

#include "output/result_document.h"
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

}  // namespace

void WriteChannel(RunState& rs, std::string_view channelName, std::string_view displayName,
                  std::string_view value, std::string_view unit) {
  // The selector counts channels across the whole process, written or not.
  ++rs.channelCounter;

  FixedText<4096>& out = rs.resultBuffer;
  switch (rs.outputFlavour) {
    case OutputFlavour::kQuillrax: {
      std::string key = ChannelKey(channelName, displayName);
      out.Append("\n\nMessage.");
      out.Append(key);
      out.Append(": ");
      out.Append(displayName);
      out.Append(" (");
      out.Append(UnitText(unit));
      out.Append(")");
      out.Append("\nStatistic.");
      out.Append(key);
      out.Append(": ");
      out.Append(value);
      break;
    }
    case OutputFlavour::kTembrel:
      if (HasChannelSelector(rs)) {
        if (rs.params.channel == rs.channelCounter) out.Append(value);
      } else {
        out.Append("\n> ");
        out.Append(displayName);
        out.Append(": ");
        out.Append(value);
        out.Append(" ");
        out.Append(UnitText(unit));
      }
      break;
    case OutputFlavour::kExeXml:
    case OutputFlavour::kMirvane:
    case OutputFlavour::kFandrok:
      // A system label or unit with "&" or "<" must not break the document
      // the monitor parses.
      out.Append("\n<Result><Channel>");
      out.Append(EscapeXmlText(displayName));
      out.Append("</Channel>");
      if (!unit.empty()) {
        out.Append("\n<Unit>Custom</Unit>");
        out.Append("\n<CustomUnit>");
        out.Append(EscapeXmlText(unit));
        out.Append("</CustomUnit>");
      }
      out.Append("\n<Value>");
      out.Append(EscapeXmlText(value));
      out.Append("</Value></Result>\n");
      break;
  }
}

std::string GroupThousands(std::string_view digits) {
  // Two separators at most: the counters are 32-bit, ten digits at most.
  std::size_t n = digits.size();
  std::string out;
  if (n <= 3) {
    out.assign(digits);
  } else if (n <= 6) {
    out.append(digits.substr(0, n - 3));
    out += '.';
    out.append(digits.substr(n - 3));
  } else {
    out.append(digits.substr(0, n - 6));
    out += '.';
    out.append(digits.substr(n - 6, 3));
    out += '.';
    out.append(digits.substr(n - 3));
  }
  return out;
}

}  // namespace tolvaran
